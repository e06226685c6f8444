// The words behind WinHTTP's failure codes, including those Wine never produces.
#include "winhttp_errors.h"

#include <windows.h>
#include <winhttp.h>

#include <gtest/gtest.h>

namespace qx {
namespace {

struct Case {
  DWORD code;
  DWORD flags;
  const char* text;
};

TEST(WinHttpFailureText, ACertificateRefusedByTheSystemSaysWhy) {
  const Case cases[] = {
      {ERROR_WINHTTP_SECURE_FAILURE, WINHTTP_CALLBACK_STATUS_FLAG_CERT_REVOKED, "the server's certificate has been revoked"},
      {ERROR_WINHTTP_SECURE_FAILURE, WINHTTP_CALLBACK_STATUS_FLAG_INVALID_CA,
       "the server's certificate is not from a trusted authority"},
      {ERROR_WINHTTP_SECURE_FAILURE, WINHTTP_CALLBACK_STATUS_FLAG_CERT_DATE_INVALID,
       "the server's certificate has expired or is not yet valid"},
      {ERROR_WINHTTP_SECURE_FAILURE, WINHTTP_CALLBACK_STATUS_FLAG_CERT_CN_INVALID,
       "the server's certificate is for another name"},
      {ERROR_WINHTTP_SECURE_FAILURE, WINHTTP_CALLBACK_STATUS_FLAG_CERT_WRONG_USAGE,
       "the server's certificate is not meant for a web server"},
      {ERROR_WINHTTP_SECURE_FAILURE, WINHTTP_CALLBACK_STATUS_FLAG_INVALID_CERT, "the server's certificate is invalid"},
      {ERROR_WINHTTP_SECURE_FAILURE, WINHTTP_CALLBACK_STATUS_FLAG_CERT_REV_FAILED,
       "the server's certificate could not be checked for revocation"},
      {ERROR_WINHTTP_SECURE_FAILURE, WINHTTP_CALLBACK_STATUS_FLAG_SECURITY_CHANNEL_ERROR, "secure channel failure"},
      {ERROR_WINHTTP_SECURE_FAILURE, 0, "secure channel failure"},
      // Several causes: the most telling one.
      {ERROR_WINHTTP_SECURE_FAILURE,
       WINHTTP_CALLBACK_STATUS_FLAG_CERT_CN_INVALID | WINHTTP_CALLBACK_STATUS_FLAG_CERT_DATE_INVALID,
       "the server's certificate has expired or is not yet valid"},
      {ERROR_WINHTTP_SECURE_FAILURE,
       WINHTTP_CALLBACK_STATUS_FLAG_CERT_REV_FAILED | WINHTTP_CALLBACK_STATUS_FLAG_CERT_REVOKED,
       "the server's certificate has been revoked"},
      // The same causes reported as codes of their own.
      {ERROR_WINHTTP_SECURE_CERT_REVOKED, 0, "the server's certificate has been revoked"},
      {ERROR_WINHTTP_SECURE_INVALID_CA, 0, "the server's certificate is not from a trusted authority"},
      {ERROR_WINHTTP_SECURE_CERT_DATE_INVALID, 0, "the server's certificate has expired or is not yet valid"},
      {ERROR_WINHTTP_SECURE_CERT_CN_INVALID, 0, "the server's certificate is for another name"},
      {ERROR_WINHTTP_SECURE_CHANNEL_ERROR, 0, "secure channel failure"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(winhttp_failure_text(c.code, c.flags), c.text) << c.code << " " << c.flags;
  }
}

TEST(WinHttpFailureText, OtherFailuresHaveWordsAndUnknownCodesTheirNumber) {
  const Case cases[] = {
      {ERROR_WINHTTP_CLIENT_AUTH_CERT_NEEDED, 0, "the server asks for a client certificate, which this program does not have"},
      {ERROR_WINHTTP_TIMEOUT, 0, "timed out"},
      {WSAETIMEDOUT, 0, "timed out"},  // how Wine reports a time-out
      {ERROR_WINHTTP_CANNOT_CONNECT, 0, "could not connect"},
      {ERROR_WINHTTP_NAME_NOT_RESOLVED, 0, "the server name could not be resolved"},
      {ERROR_WINHTTP_HEADER_SIZE_OVERFLOW, 0, "the server's answer has too many or too large headers"},
      {ERROR_WINHTTP_REDIRECT_FAILED, 0, "too many redirects"},
      {ERROR_WINHTTP_TIMEOUT, WINHTTP_CALLBACK_STATUS_FLAG_INVALID_CA, "timed out"},  // flags matter only for a secure failure
      {12999, 0, "WinHTTP error 12999"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(winhttp_failure_text(c.code, c.flags), c.text) << c.code;
  }
}

}  // namespace
}  // namespace qx
