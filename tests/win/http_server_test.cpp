#include <winsock2.h>

#include <gtest/gtest.h>

#include <memory>

#include "win/support/http_server.h"

namespace ferrik::test {
namespace {

SOCKET Connect(std::uint16_t port) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    EXPECT_EQ(connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    return s;
}

// Clients that never send, never read or wait for an answer must not keep the server alive.
TEST(HttpTestServer, StopsWithClientsStillConnected) {
    auto server = std::make_unique<HttpTestServer>();
    server->Serve("/silent", Silence());
    server->Serve("/huge", Generated(1u << 30));
    const SOCKET idle = Connect(server->Port());
    const SOCKET waiting = Connect(server->Port());
    const SOCKET notReading = Connect(server->Port());
    const char silent[] = "GET /silent HTTP/1.1\r\nHost: x\r\n\r\n";
    const char huge[] = "GET /huge HTTP/1.1\r\nHost: x\r\n\r\n";
    send(waiting, silent, sizeof silent - 1, 0);
    send(notReading, huge, sizeof huge - 1, 0);
    while (server->Requests().size() < 2) Sleep(10);
    server.reset();
    for (SOCKET s : {idle, waiting, notReading}) closesocket(s);
}

}  // namespace
}  // namespace ferrik::test
