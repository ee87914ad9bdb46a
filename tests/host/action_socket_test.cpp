// Actions over the page's WebSocket: answered one at a time as a POST would
// be, opened only by the host's own page, and never in the way of stopping.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/websocket.hpp>

#include "HostServerFixture.h"

namespace beast = boost::beast;
namespace websocket = beast::websocket;
namespace net = boost::asio;
using nlohmann::json;

namespace {

// A blocking WebSocket client of the host; what a handshake that the host
// turned down answered is kept in `refusedWith`.
class SocketClient {
 public:
  SocketClient(int port, std::optional<std::string> token, std::string origin = {}) : socket_(io_) {
    beast::get_lowest_layer(socket_).connect({net::ip::make_address("127.0.0.1"), static_cast<unsigned short>(port)});
    socket_.set_option(websocket::stream_base::decorator([token, origin](websocket::request_type& request) {
      if (token) request.set(beast::http::field::authorization, "token " + *token);
      if (!origin.empty()) request.set(beast::http::field::origin, origin);
    }));
    websocket::response_type response;
    beast::error_code error;
    socket_.handshake(response, "127.0.0.1:" + std::to_string(port), "/api/socket", error);
    if (error) refusedWith = response.result_int();
  }

  json exchange(const std::string& text) {
    socket_.write(net::buffer(text));
    beast::flat_buffer buffer;
    socket_.read(buffer);
    return json::parse(beast::buffers_to_string(buffer.data()));
  }

  // The close code the host sent, once it closed the socket.
  std::optional<int> closedWith(const std::string& text) {
    beast::error_code error;
    socket_.write(net::buffer(text), error);
    beast::flat_buffer buffer;
    socket_.read(buffer, error);
    if (error != websocket::error::closed) return std::nullopt;
    return socket_.reason().code;
  }

  std::optional<unsigned> refusedWith;

 private:
  net::io_context io_;
  websocket::stream<beast::tcp_stream> socket_;
};

class ActionSocketTest : public HostServerFixture {
 protected:
  // Left open until after the host is torn down.
  std::optional<SocketClient> idle_;
  std::optional<SocketClient> used_;
};

TEST_F(ActionSocketTest, ActionsAreAnsweredInOrderWithWhatAPostWouldAnswer) {
  SocketClient socket(port(), token());
  ASSERT_FALSE(socket.refusedWith);
  const json opened = socket.exchange(json{{"action", "tapRowByText"}, {"text", "Chimewell"}}.dump());
  EXPECT_EQ(opened["screen"]["pageClass"], "ChimewellPreferencesController");
  EXPECT_EQ(opened["version"], getJson("/api/screen")["version"]);

  auto posted = client().Post("/api/action", "not json", "application/json");
  ASSERT_TRUE(posted);
  EXPECT_EQ(socket.exchange("not json"), json::parse(posted->body));
  const json wrongType = socket.exchange(R"({"action": 42})");
  EXPECT_EQ(wrongType["screen"]["pageClass"], "ChimewellPreferencesController");
  EXPECT_TRUE(wrongType.contains("error"));

  const json back = socket.exchange(json{{"action", "goBack"}}.dump());
  EXPECT_EQ(back["screen"]["navigationBar"]["title"], "Settings");
  EXPECT_FALSE(back.contains("error"));
}

TEST_F(ActionSocketTest, OnlyTheHostsOwnPageOpensIt) {
  EXPECT_EQ(SocketClient(port(), std::nullopt).refusedWith, 403u);
  EXPECT_EQ(SocketClient(port(), std::string(token().size(), 'f')).refusedWith, 403u);
  EXPECT_EQ(SocketClient(port(), token(), "http://evil.example").refusedWith, 403u);
  EXPECT_FALSE(SocketClient(port(), token(), "http://127.0.0.1:" + std::to_string(port())).refusedWith);

  int status = 0;
  getJson("/api/socket", &status);
  EXPECT_EQ(status, 400);
}

TEST_F(ActionSocketTest, AMessageOverTheCapClosesItsSocketAndRunsNothing) {
  const json before = getJson("/api/screen");
  SocketClient socket(port(), token());
  const std::string huge = R"({"action":"tapRowByText","text":"Chimewell","pad":")" + std::string(1 << 20, 'x') + "\"}";
  EXPECT_EQ(socket.closedWith(huge), static_cast<int>(websocket::close_code::too_big));
  EXPECT_EQ(getJson("/api/screen")["screen"], before["screen"]);
  EXPECT_EQ(SocketClient(port(), token()).exchange(R"({"action":"goBack"})")["screen"]["depth"], 1);
}

TEST_F(ActionSocketTest, TheHostStopsWithSocketsStillOpen) {
  // Torn down while these are open: the host closes them and its server ends.
  idle_.emplace(port(), token());
  used_.emplace(port(), token());
  EXPECT_EQ(used_->exchange(R"({"action":"goBack"})")["screen"]["depth"], 1);
}

}  // namespace
