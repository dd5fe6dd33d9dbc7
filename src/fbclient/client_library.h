// The Firebird client library, loaded at the first use and kept until the process ends.
#pragma once

#include <string>

#include "fbclient/fb_api.h"

namespace orma::fb {

struct ClientApi {
  ServiceAttachFn serviceAttach;
  ServiceDetachFn serviceDetach;
  ServiceStartFn serviceStart;
  ServiceQueryFn serviceQuery;
  AttachDatabaseFn attachDatabase;
  DetachDatabaseFn detachDatabase;
  InterpretFn interpret;
};

// Loads the library from the first of platform::firebirdClientCandidates() that loads and
// resolves its entry points. Raises EFirebirdError naming the library and every place tried,
// with the loader's reason for each; the next call tries again.
const ClientApi& clientApi();

// Where the library was loaded from (one of the candidates), or "" before it is.
std::string loadedClientLibrary();

}  // namespace orma::fb
