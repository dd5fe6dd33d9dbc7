// Every type, signature and constant that fb_api.h declares by hand, held against the
// installed ibase.h: a wrong byte here would send the server a request it reads differently.
#include <ibase.h>

#include <type_traits>

#include <gtest/gtest.h>

#include "fbclient/fb_api.h"

namespace {

namespace fb = orma::fb;

static_assert(std::is_same_v<fb::IscStatus, ISC_STATUS>);
static_assert(std::is_same_v<fb::SvcHandle, isc_svc_handle>);
static_assert(sizeof(fb::IscLong) == sizeof(ISC_LONG) && std::is_signed_v<fb::IscLong> == std::is_signed_v<ISC_LONG>);
static_assert(std::is_same_v<fb::IscLong, isc_resv_handle>);
static_assert(fb::kStatusLength == ISC_STATUS_LENGTH);

static_assert(std::is_same_v<fb::ServiceAttachFn, decltype(&isc_service_attach)>);
static_assert(std::is_same_v<fb::ServiceDetachFn, decltype(&isc_service_detach)>);
static_assert(std::is_same_v<fb::ServiceStartFn, decltype(&isc_service_start)>);
static_assert(std::is_same_v<fb::ServiceQueryFn, decltype(&isc_service_query)>);
static_assert(std::is_same_v<fb::InterpretFn, decltype(&fb_interpret)>);

TEST(FirebirdApiDeclarations, ConstantsMatchTheInstalledHeader) {
  struct Case {
    const char* name;
    long long ours;
    long long theirs;
  };
  const Case cases[] = {
      {"isc_spb_version", fb::kSpbVersion, isc_spb_version},
      {"isc_spb_current_version", fb::kSpbCurrentVersion, isc_spb_current_version},
      {"isc_spb_user_name", fb::kSpbUserName, isc_spb_user_name},
      {"isc_spb_password", fb::kSpbPassword, isc_spb_password},
      {"isc_spb_utf8_filename", fb::kSpbUtf8FileName, isc_spb_utf8_filename},
      {"isc_action_svc_backup", fb::kActionBackup, isc_action_svc_backup},
      {"isc_action_svc_restore", fb::kActionRestore, isc_action_svc_restore},
      {"isc_spb_dbname", fb::kSpbDbName, isc_spb_dbname},
      {"isc_spb_verbose", fb::kSpbVerbose, isc_spb_verbose},
      {"isc_spb_options", fb::kSpbOptions, isc_spb_options},
      {"isc_spb_bkp_file", fb::kSpbBackupFile, isc_spb_bkp_file},
      {"isc_spb_res_create", fb::kRestoreCreate, isc_spb_res_create},
      {"isc_spb_bkp_no_garbage_collect", fb::kBackupNoGarbageCollect, isc_spb_bkp_no_garbage_collect},
      {"isc_action_svc_properties", fb::kActionProperties, isc_action_svc_properties},
      {"isc_spb_prp_attachments_shutdown", fb::kSpbPrpAttachmentsShutdown, isc_spb_prp_attachments_shutdown},
      {"isc_spb_prp_shutdown_mode", fb::kSpbPrpShutdownMode, isc_spb_prp_shutdown_mode},
      {"isc_spb_prp_online_mode", fb::kSpbPrpOnlineMode, isc_spb_prp_online_mode},
      {"isc_spb_prp_sm_normal", fb::kSpbPrpSmNormal, isc_spb_prp_sm_normal},
      {"isc_spb_prp_sm_single", fb::kSpbPrpSmSingle, isc_spb_prp_sm_single},
      {"isc_shutfail", fb::kShutdownFailed, isc_shutfail},
      {"isc_info_end", fb::kInfoEnd, isc_info_end},
      {"isc_info_truncated", fb::kInfoTruncated, isc_info_truncated},
      {"isc_info_data_not_ready", fb::kInfoDataNotReady, isc_info_data_not_ready},
      {"isc_info_svc_line", fb::kInfoServiceLine, isc_info_svc_line},
      {"isc_info_svc_timeout", fb::kInfoServiceTimeout, isc_info_svc_timeout},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.ours, c.theirs);
  }
}

}  // namespace
