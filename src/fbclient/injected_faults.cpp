#include "fbclient/injected_faults.h"

#include "platform/fault_injection.h"

namespace orma::fb {
namespace {

using platform::FaultKind;
using platform::injectFault;

ClientApi realApi;

// isc_net_read_err: "Error reading data from the connection."
constexpr IscStatus kNetworkReadError = 335544726;

IscStatus Failed(IscStatus* status, IscStatus code) {
  static const char host[] = "127.0.0.1";
  IscStatus* word = status;
  *word++ = 1;   // isc_arg_gds
  *word++ = code;
  if (code == kNetworkError) {   // "Unable to complete network request to host "@1"."
    *word++ = 2;   // isc_arg_string
    *word++ = reinterpret_cast<IscStatus>(host);
  }
  *word = 0;   // isc_arg_end
  return code;
}

IscStatus ORMA_FB_API ServiceAttach(IscStatus* status, unsigned short nameLength, const char* name, SvcHandle* handle,
                                    unsigned short spbLength, const char* spb) {
  if (injectFault(FaultKind::ServiceAttach)) return Failed(status, kNetworkError);
  return realApi.serviceAttach(status, nameLength, name, handle, spbLength, spb);
}

IscStatus ORMA_FB_API ServiceDetach(IscStatus* status, SvcHandle* handle) {
  const IscStatus result = realApi.serviceDetach(status, handle);
  return injectFault(FaultKind::ServiceDetach) ? Failed(status, kNetworkError) : result;
}

IscStatus ORMA_FB_API ServiceStart(IscStatus* status, SvcHandle* handle, IscLong* reserved, unsigned short spbLength,
                                   const char* spb) {
  const IscStatus result = realApi.serviceStart(status, handle, reserved, spbLength, spb);
  return injectFault(FaultKind::ServiceStart) ? Failed(status, kNetworkError) : result;
}

IscStatus ORMA_FB_API ServiceQuery(IscStatus* status, SvcHandle* handle, IscLong* reserved, unsigned short sendLength,
                                   const char* sendItems, unsigned short requestLength, const char* requestItems,
                                   unsigned short bufferLength, char* buffer) {
  if (injectFault(FaultKind::ServiceQuery)) return Failed(status, kNetworkReadError);
  return realApi.serviceQuery(status, handle, reserved, sendLength, sendItems, requestLength, requestItems,
                              bufferLength, buffer);
}

IscStatus ORMA_FB_API AttachDatabase(IscStatus* status, short nameLength, const char* name, SvcHandle* handle,
                                     short dpbLength, const char* dpb) {
  if (injectFault(FaultKind::DatabaseAttach)) return Failed(status, kNetworkError);
  return realApi.attachDatabase(status, nameLength, name, handle, dpbLength, dpb);
}

IscStatus ORMA_FB_API DetachDatabase(IscStatus* status, SvcHandle* handle) {
  const IscStatus result = realApi.detachDatabase(status, handle);
  return injectFault(FaultKind::DatabaseDetach) ? Failed(status, kNetworkError) : result;
}

}  // namespace

ClientApi InjectingFaults(const ClientApi& real) {
  realApi = real;
  ClientApi api = real;
  api.serviceAttach = ServiceAttach;
  api.serviceDetach = ServiceDetach;
  api.serviceStart = ServiceStart;
  api.serviceQuery = ServiceQuery;
  api.attachDatabase = AttachDatabase;
  api.detachDatabase = DetachDatabase;
  return api;
}

}  // namespace orma::fb
