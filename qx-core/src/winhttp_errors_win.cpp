#include "winhttp_errors.h"

#include <windows.h>
#include <winhttp.h>

#include <iterator>

namespace qx {

namespace {

constexpr const char* REVOKED = "the server's certificate has been revoked";
constexpr const char* UNTRUSTED_CA = "the server's certificate is not from a trusted authority";
constexpr const char* EXPIRED = "the server's certificate has expired or is not yet valid";
constexpr const char* OTHER_NAME = "the server's certificate is for another name";
constexpr const char* WRONG_USAGE = "the server's certificate is not meant for a web server";
constexpr const char* INVALID_CERT = "the server's certificate is invalid";
constexpr const char* NO_REVOCATION_CHECK = "the server's certificate could not be checked for revocation";
constexpr const char* CHANNEL = "secure channel failure";

// The causes of a refused certificate, the most telling first: one reason is shown.
struct SecureCause {
  DWORD flag;
  const char* text;
};
constexpr SecureCause SECURE_CAUSES[] = {
    {WINHTTP_CALLBACK_STATUS_FLAG_CERT_REVOKED, REVOKED},
    {WINHTTP_CALLBACK_STATUS_FLAG_INVALID_CA, UNTRUSTED_CA},
    {WINHTTP_CALLBACK_STATUS_FLAG_CERT_DATE_INVALID, EXPIRED},
    {WINHTTP_CALLBACK_STATUS_FLAG_CERT_CN_INVALID, OTHER_NAME},
    {WINHTTP_CALLBACK_STATUS_FLAG_CERT_WRONG_USAGE, WRONG_USAGE},
    {WINHTTP_CALLBACK_STATUS_FLAG_INVALID_CERT, INVALID_CERT},
    {WINHTTP_CALLBACK_STATUS_FLAG_CERT_REV_FAILED, NO_REVOCATION_CHECK},
    {WINHTTP_CALLBACK_STATUS_FLAG_SECURITY_CHANNEL_ERROR, CHANNEL},
};

const char* secure_failure_text(DWORD flags) {
  for (const SecureCause& c : SECURE_CAUSES) {
    if (flags & c.flag) return c.text;
  }
  return CHANNEL;
}

}  // namespace

std::string winhttp_failure_text(std::uint32_t code, std::uint32_t secure_failure_flags) {
  switch (code) {
    case ERROR_WINHTTP_TIMEOUT:
    case WSAETIMEDOUT:
      return "timed out";
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
      return "the server name could not be resolved";
    case ERROR_WINHTTP_CANNOT_CONNECT:
      return "could not connect";
    case ERROR_WINHTTP_CONNECTION_ERROR:
    case WSAECONNRESET:
      return "the connection was closed";
    case ERROR_WINHTTP_INVALID_SERVER_RESPONSE:
    case ERROR_WINHTTP_HTTP_PROTOCOL_MISMATCH:
      return "invalid server response";
    case ERROR_WINHTTP_HEADER_COUNT_EXCEEDED:
    case ERROR_WINHTTP_HEADER_SIZE_OVERFLOW:
    case ERROR_WINHTTP_CHUNKED_ENCODING_HEADER_SIZE_OVERFLOW:
      return "the server's answer has too many or too large headers";
    case ERROR_WINHTTP_REDIRECT_FAILED:
      return "too many redirects";
    case ERROR_WINHTTP_SECURE_FAILURE:
      return secure_failure_text(secure_failure_flags);
    case ERROR_WINHTTP_SECURE_CHANNEL_ERROR:
      return CHANNEL;
    case ERROR_WINHTTP_SECURE_CERT_REVOKED:
      return REVOKED;
    case ERROR_WINHTTP_SECURE_INVALID_CA:
      return UNTRUSTED_CA;
    case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID:
      return EXPIRED;
    case ERROR_WINHTTP_SECURE_CERT_CN_INVALID:
      return OTHER_NAME;
    case ERROR_WINHTTP_SECURE_CERT_WRONG_USAGE:
      return WRONG_USAGE;
    case ERROR_WINHTTP_SECURE_INVALID_CERT:
      return INVALID_CERT;
    case ERROR_WINHTTP_SECURE_CERT_REV_FAILED:
      return NO_REVOCATION_CHECK;
    case ERROR_WINHTTP_CLIENT_AUTH_CERT_NEEDED:
    case ERROR_WINHTTP_CLIENT_CERT_NO_PRIVATE_KEY:
    case ERROR_WINHTTP_CLIENT_CERT_NO_ACCESS_PRIVATE_KEY:
      return "the server asks for a client certificate, which this program does not have";
    case ERROR_WINHTTP_LOGIN_FAILURE:
      return "the server asks for a login";
    case ERROR_WINHTTP_INVALID_URL:
    case ERROR_WINHTTP_UNRECOGNIZED_SCHEME:
      return "invalid address";
    case ERROR_WINHTTP_OPERATION_CANCELLED:
    case ERROR_WINHTTP_SHUTDOWN:
      return "the request was cancelled";
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
    case ERROR_WINHTTP_OUT_OF_HANDLES:
      return "out of memory";
    default:
      return "WinHTTP error " + std::to_string(code);
  }
}

}  // namespace qx
