#include "tls_front_win.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <wincrypt.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <mutex>
#include <stdexcept>
#include <vector>

#include "repo_file.h"

namespace zvtest {

namespace {

constexpr DWORD CONTROL_TIMEOUT_MS = 15'000;

std::string fixture_path(const std::string& name) { return zv_test::fixture_windows_path("tls/" + name); }

void add_authority() {
  std::string path = fixture_path("test-ca.der");
  std::ifstream in(path, std::ios::binary);
  std::vector<unsigned char> der{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (der.empty()) throw std::runtime_error("cannot read " + path);
  // Wine adds to the user's Root store silently (Windows would ask the user first).
  HCERTSTORE root = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
  if (!root) throw std::runtime_error("cannot open the Root store: error " + std::to_string(GetLastError()));
  BOOL added = CertAddEncodedCertificateToStore(root, X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()),
                                                CERT_STORE_ADD_USE_EXISTING, nullptr);
  DWORD code = GetLastError();
  CertCloseStore(root, 0);
  if (!added) throw std::runtime_error("cannot add the test authority: error " + std::to_string(code));
}

std::string read_line(SOCKET s) {
  std::string line;
  char c = 0;
  while (line.size() < 256) {
    int n = recv(s, &c, 1, 0);
    if (n <= 0) break;
    if (c == '\n') return line;
    line += c;
  }
  throw std::runtime_error("the TLS front did not answer (got \"" + line + "\")");
}

}  // namespace

void trust_test_authority() {
  static std::once_flag once;
  std::call_once(once, add_authority);
}

TlsFront::TlsFront(const LocalHttpServer& backend, Certificate certificate) {
  trust_test_authority();
  const char* control_port = std::getenv("ZV_TLS_FRONT");
  if (!control_port || !*control_port) {
    throw std::runtime_error("ZV_TLS_FRONT is not set: run this program through ctest (tests/support/tls_front.py)");
  }
  WSADATA wsa;
  if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) throw std::runtime_error("WSAStartup failed");
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) {
    WSACleanup();
    throw std::runtime_error("socket failed");
  }
  auto give_up = [s](const std::string& why) {
    closesocket(s);
    WSACleanup();
    return std::runtime_error(why);
  };
  DWORD timeout = CONTROL_TIMEOUT_MS;
  setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<u_short>(std::atoi(control_port)));
  if (connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    throw give_up("cannot reach the TLS front at port " + std::string(control_port));
  }
  std::string ask = "front " + std::to_string(backend.port()) +
                    (certificate == Certificate::Trusted ? " trusted\n" : " untrusted\n");
  if (send(s, ask.data(), static_cast<int>(ask.size()), 0) != static_cast<int>(ask.size())) {
    throw give_up("cannot ask the TLS front for a listener");
  }
  std::string answer;
  try {
    answer = read_line(s);
  } catch (const std::runtime_error& e) {
    throw give_up(e.what());
  }
  int port = std::atoi(answer.c_str());
  if (port <= 0 || port > 65535) throw give_up("the TLS front refused: " + answer);
  control_ = static_cast<std::uintptr_t>(s);
  port_ = static_cast<std::uint16_t>(port);
}

TlsFront::~TlsFront() {
  // Closing the control connection takes the listener down.
  closesocket(static_cast<SOCKET>(control_));
  WSACleanup();
}

std::string TlsFront::base_url() const { return "https://localhost:" + std::to_string(port_); }

std::string TlsFront::url(std::string_view target) const { return base_url() + std::string(target); }

}  // namespace zvtest
