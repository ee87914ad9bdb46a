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

// A blocking WebSocket client of the host, with the token in a header or,
// as a browser sends it, offered as a subprotocol; what a handshake that the
// host turned down answered is kept in `refusedWith`.
class SocketClient {
 public:
  enum class Carrier { header, subprotocol };
  SocketClient(int port, std::optional<std::string> token, std::string origin = {}, Carrier carrier = Carrier::header)
      : socket_(io_) {
    beast::get_lowest_layer(socket_).connect({net::ip::make_address("127.0.0.1"), static_cast<unsigned short>(port)});
    socket_.set_option(websocket::stream_base::decorator([=](websocket::request_type& request) {
      if (token && carrier == Carrier::header) request.set(beast::http::field::authorization, "token " + *token);
      if (token && carrier == Carrier::subprotocol) request.set(beast::http::field::sec_websocket_protocol, "chimewell, token." + *token);
      if (!origin.empty()) request.set(beast::http::field::origin, origin);
    }));
    beast::error_code error;
    socket_.handshake(response_, "127.0.0.1:" + std::to_string(port), "/api/socket", error);
    if (error) refusedWith = response_.result_int();
  }
  // The subprotocol the host named back.
  std::string protocol() const { return std::string(response_[beast::http::field::sec_websocket_protocol]); }

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
  const std::string own = "http://127.0.0.1:" + std::to_string(port());
  EXPECT_EQ(SocketClient(port(), std::nullopt).refusedWith, 403u);
  for (auto carrier : {SocketClient::Carrier::header, SocketClient::Carrier::subprotocol}) {
    for (const std::string& wrong : {std::string(), token().substr(0, 10), std::string(token().size(), 'f')})
      EXPECT_EQ(SocketClient(port(), wrong, own, carrier).refusedWith, 403u) << "'" << wrong << "'";
    EXPECT_EQ(SocketClient(port(), token(), "http://evil.example", carrier).refusedWith, 403u);
    SocketClient opened(port(), token(), own, carrier);
    EXPECT_FALSE(opened.refusedWith);
    EXPECT_EQ(opened.protocol(), carrier == SocketClient::Carrier::subprotocol ? "chimewell" : "");
  }

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
