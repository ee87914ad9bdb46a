// Actions over the page's WebSocket: answered one at a time as a POST would
// be, opened only by the host's own page, and never in the way of stopping.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/websocket.hpp>

#include "HostServerFixture.h"

namespace beast = boost::beast;
namespace websocket = beast::websocket;
namespace net = boost::asio;
using beast::http::field;
using nlohmann::json;

namespace {

// A blocking WebSocket client of the host whose handshake sends `headers`;
// what a handshake the host turned down was answered is kept in `refusedWith`.
class SocketClient {
 public:
  SocketClient(int port, std::vector<std::pair<field, std::string>> headers) : socket_(io_) {
    beast::get_lowest_layer(socket_).connect({net::ip::make_address("127.0.0.1"), static_cast<unsigned short>(port)});
    socket_.set_option(websocket::stream_base::decorator([headers](websocket::request_type& request) {
      for (const auto& [name, value] : headers) request.set(name, value);
    }));
    beast::error_code error;
    socket_.handshake(response_, "127.0.0.1:" + std::to_string(port), "/api/socket", error);
    if (error) refusedWith = response_.result_int();
  }
  std::string protocol() const { return std::string(response_[field::sec_websocket_protocol]); }

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
  websocket::response_type response_;
};

class ActionSocketTest : public HostServerFixture {
 protected:
  std::pair<field, std::string> tokenHeader() const { return {field::authorization, "token " + token()}; }
  // Left open until after the host is torn down.
  std::optional<SocketClient> idle_;
  std::optional<SocketClient> used_;
};

TEST_F(ActionSocketTest, ActionsAreAnsweredInOrderWithWhatAPostWouldAnswer) {
  SocketClient socket(port(), {tokenHeader()});
  ASSERT_FALSE(socket.refusedWith);
  const json opened = socket.exchange(json{{"action", "tapRowByText"}, {"text", "Chimewell"}}.dump());
  EXPECT_EQ(opened["screen"]["pageClass"], "ChimewellPreferencesController");
  EXPECT_EQ(opened["version"], getJson("/api/screen")["version"]);
  auto posted = client().Post("/api/action", "not json", "application/json");
  ASSERT_TRUE(posted);
  EXPECT_EQ(socket.exchange("not json"), json::parse(posted->body));
  const json back = socket.exchange(json{{"action", "goBack"}}.dump());
  EXPECT_EQ(back["screen"]["navigationBar"]["title"], "Settings");
}

// The gate's suite has every way a token comes; this is the socket's handshake.
TEST_F(ActionSocketTest, OnlyTheHostsOwnPageOpensItAndItsProtocolIsNamedBack) {
  const std::pair<field, std::string> own{field::origin, "http://127.0.0.1:" + std::to_string(port())};
  EXPECT_EQ(SocketClient(port(), {own}).refusedWith, 403u);
  EXPECT_EQ(SocketClient(port(), {tokenHeader(), {field::origin, "http://evil.example"}}).refusedWith, 403u);
  SocketClient opened(port(), {own, {field::sec_websocket_protocol, "chimewell, token." + token()}});
  EXPECT_FALSE(opened.refusedWith);
  EXPECT_EQ(opened.protocol(), "chimewell");
}

TEST_F(ActionSocketTest, AMessageOverTheCapClosesItsSocketAndRunsNothing) {
  SocketClient socket(port(), {tokenHeader()});
  const std::string huge = R"({"action":"tapRowByText","text":"Chimewell","pad":")" + std::string(1 << 20, 'x') + "\"}";
  EXPECT_EQ(socket.closedWith(huge), static_cast<int>(websocket::close_code::too_big));
  EXPECT_EQ(getJson("/api/screen")["screen"]["depth"], 1);
}

TEST_F(ActionSocketTest, TheHostStopsWithSocketsStillOpen) {
  // Torn down while these are open: the host closes them and its server ends.
  idle_.emplace(port(), std::vector{tokenHeader()});
  used_.emplace(port(), std::vector{tokenHeader()});
  EXPECT_EQ(used_->exchange(R"({"action":"goBack"})")["screen"]["depth"], 1);
}

}  // namespace
