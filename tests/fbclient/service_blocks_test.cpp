// A value too long for its length field in a service request block would shift every field
// after it: the server would read part of a password as a tag. Such values are refused.
#include <gtest/gtest.h>

#include <string>

#include "fbclient/fb_error.h"
#include "fbclient/service_request.h"

namespace {

namespace fb = orma::fb;

TEST(ServiceRequest, ValuesTooLongForTheirLengthFieldAreRefused) {
  EXPECT_NO_THROW(fb::attachParameters("SYSDBA", std::string(255, 'p')));
  EXPECT_THROW(fb::attachParameters("SYSDBA", std::string(256, 'p')), orma::EFirebirdError);
  EXPECT_THROW(fb::attachParameters(std::string(256, 'u'), "pw"), orma::EFirebirdError);
  EXPECT_NO_THROW(fb::backupRequest(std::string(65535, 'd'), "b"));
  EXPECT_THROW(fb::backupRequest(std::string(65536, 'd'), "b"), orma::EFirebirdError);
  EXPECT_THROW(fb::restoreRequest("b", std::string(65536, 'd')), orma::EFirebirdError);
}

}  // namespace
