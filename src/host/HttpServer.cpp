#include "host/HttpServer.h"

#include <algorithm>
#include <array>
#include <mutex>
#include <optional>
#include <set>
#include <system_error>
#include <utility>

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>

#include "foundation/NSURL.h"

namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
namespace net = boost::asio;
using tcp = net::ip::tcp;

namespace {

// Posts work onto the I/O thread from any thread, for as long as the server exists.
class IoPost {
 public:
  explicit IoPost(net::io_context& io) : io_(&io) {}
  void post(std::function<void()> work) {
    std::lock_guard guard(mutex_);
    if (io_) net::post(*io_, std::move(work));
  }
  void detach() {
    std::lock_guard guard(mutex_);
    io_ = nullptr;
  }

 private:
  std::mutex mutex_;
  net::io_context* io_;
};

HostRequest hostRequest(http::request<http::string_body>& message) {
  HostRequest request;
  request.method = std::string(message.method_string());
  const std::string_view target = message.target();
  const auto question = target.find('?');
  request.path = NSURL::percentDecode(target.substr(0, question));
  if (question != std::string_view::npos) request.query = std::string(target.substr(question + 1));
  request.target = std::string(target);
  for (const auto& field : message) {
    request.headers.emplace_back(field.name_string(), field.value());
    if (field.name() == http::field::cookie) {
      request.cookie += (request.cookie.empty() ? "" : "; ") + std::string(field.value());
    }
  }
  request.contentType = request.header("Content-Type").value_or("");
  request.origin = request.header("Origin");
  request.host = request.header("Host").value_or("");
  request.authorization = request.header("Authorization").value_or("");
  request.body = std::move(message.body());
  return request;
}

// A newcomer's first request is on its way: until then it may not go to make
// room for another (a browser's shows the token within a millisecond).
constexpr std::chrono::milliseconds kFirstRequestGrace{50};

bool isHttpError(const beast::error_code& error) {
  return error.category() == make_error_code(http::error::bad_method).category();
}

}  // namespace

class HttpServer::Impl {
 public:
  // An open connection, as the server keeps it: an HTTP session or a WebSocket.
  class Connection {
   public:
    virtual ~Connection() = default;
    virtual void stop() = 0;
    // Ends the connection at once, to make room for a newcomer.
    virtual void drop() = 0;

    std::uint64_t order = 0;  // in the order accepted
    std::chrono::steady_clock::time_point since;  // when it was taken up
    bool refused = false;     // its last answer was a refusal: it ends after it
    bool tokenShown = false;  // a request on it showed the access token
  };
  class Session;
  class SocketSession;

  Impl(HttpLimits limitsGiven, Admit admitGiven, Handler handlerGiven, Refusal refusalGiven)
      : limits(limitsGiven),
        admit(std::move(admitGiven)),
        handler(std::move(handlerGiven)),
        refusal(std::move(refusalGiven)) {}
  ~Impl() {
    post->detach();
    sessions.clear();
  }

  void accept();
  // Serves a newcomer as a connection of its own.
  void admitConnection(tcp::socket socket);
  // Takes up the held newcomer and accepts again, once there is room or a
  // connection that may go for it; otherwise looks again later.
  void resume();
  void retryLater();
  // The open connection that matters least, if one may go for a newcomer.
  std::shared_ptr<Connection> leastNeeded() const;
  void ended(const std::shared_ptr<Connection>& connection);
  void stopOnIoThread();
  void addTimer(std::chrono::milliseconds delay, std::function<void()> task);
  // Runs `run` with a reply that hands its answer to `target`'s answer() on
  // the I/O thread while the connection lives (503 when nobody answers, 500
  // when `run` throws).
  template <class Target>
  void handOver(const std::shared_ptr<Target>& target, const std::function<void(const HostReply&)>& run);

  // Declared first, so that it goes last: everything below uses it.
  net::io_context io{1};
  const HttpLimits limits;
  const Admit admit;
  const Handler handler;
  const Refusal refusal;
  tcp::acceptor acceptor{io};
  std::shared_ptr<IoPost> post = std::make_shared<IoPost>(io);
  // Keeps serve() running while requests wait for answers with nothing to read or write.
  std::optional<net::executor_work_guard<net::io_context::executor_type>> work{io.get_executor()};
  // The rest belongs to the I/O thread.
  std::set<std::shared_ptr<Connection>> sessions;
  std::set<std::shared_ptr<net::steady_timer>> timers;
  bool stopping = false;
  bool acceptPaused = false;
  // A newcomer accepted while a connection that could go for it did not
  // end yet: it waits, unread, for a connection to end.
  std::optional<tcp::socket> held;
  bool retryPending = false;
  std::uint64_t accepted = 0;
};

class HttpServer::Impl::Session : public Connection, public std::enable_shared_from_this<Session> {
 public:
  Session(Impl& server, tcp::socket socket)
      : server_(server), stream_(std::move(socket)), buffer_(server.limits.maxHeaderBytes), idle_(server.io) {}
  ~Session() override { endStream(); }

  void start() { awaitRequest(); }
  void stop() override;
  void drop() override { closeNow(); }
  // I/O thread: the handler's answer to the request being handled.
  void answer(HostResponse response);

 private:
  enum class Phase { waiting, handling, writing, streaming, ending, closing, closed };

  void awaitRequest();
  void readHead();
  void readHeadPart();
  void onHead(const beast::error_code& error);
  void readBody();
  void failed(const beast::error_code& error);
  void dispatch();
  void refuse(int status, const std::string& message);
  void refuse(HostResponse response);
  void becomeSocket(HostResponse response);
  void startStream(const HostResponse& response);
  void streamStarted();
  void watchForHangUp();
  void pump();
  void writeChunk(std::string text);
  void restartIdle();
  void endStream();
  void closeGracefully();
  void drain();
  void closeNow();

  Impl& server_;
  beast::tcp_stream stream_;
  beast::flat_buffer buffer_;
  std::optional<http::request_parser<http::string_body>> parser_;
  std::optional<http::request<http::string_body>> upgrade_;  // a WebSocket upgrade request being handled
  std::vector<std::pair<std::string, std::string>> addedHeaders_;  // the admission's, for the answer
  Phase phase_ = Phase::waiting;
  std::size_t headBytes_ = 0;  // of the request being read, that the parser took
  std::size_t served_ = 0;
  bool keepAlive_ = true;
  std::shared_ptr<HostStream> hostStream_;
  std::optional<http::response<http::empty_body>> streamHead_;
  std::optional<http::response_serializer<http::empty_body>> streamSerializer_;
  std::string chunk_;
  bool chunkWriting_ = false;
  bool wokenWhileWriting_ = false;
  bool streamOver_ = false;
  net::steady_timer idle_;
  std::array<char, 4096> discard_{};
};

// One WebSocket: reads a message, hands it over, writes its one answer, then
// reads the next. While a message is handled nothing is read, so one client
// has at most one message in the host at a time.
class HttpServer::Impl::SocketSession : public Connection, public std::enable_shared_from_this<SocketSession> {
 public:
  SocketSession(Impl& server, tcp::socket socket, std::shared_ptr<HostSocket> host)
      : server_(server), socket_(std::move(socket)), host_(std::move(host)), writing_(server.io) {}

  // Answers the upgrade `request` with `headers` added to the handshake.
  void start(http::request<http::string_body> request, std::vector<std::pair<std::string, std::string>> headers);
  void stop() override;
  void drop() override { closeNow(); }
  // I/O thread: the answer to the message being handled; its body is sent back.
  void answer(HostResponse response);

 private:
  void read();
  void handle(std::string text);
  void close();
  void closeNow();

  Impl& server_;
  websocket::stream<beast::tcp_stream> socket_;
  std::shared_ptr<HostSocket> host_;
  http::request<http::string_body> request_;  // read by the handshake until it completes
  beast::flat_buffer buffer_;
  std::string outgoing_;
  net::steady_timer writing_;  // cuts a client that does not take its answer
  bool open_ = false;
  bool handling_ = false;
  bool stopping_ = false;
  bool closing_ = false;
  bool closed_ = false;
};

// --- reading a request

// An open connection waits for its next request's first byte only as long
// as a keep-alive lasts; the request's deadline counts from that byte.
void HttpServer::Impl::Session::awaitRequest() {
  phase_ = Phase::waiting;
  if (buffer_.size() > 0) return readHead();
  stream_.expires_after(server_.limits.keepAliveIdle);
  stream_.async_read_some(buffer_.prepare(4096), [self = shared_from_this()](beast::error_code error, std::size_t n) {
    if (error) return self->closeNow();
    self->buffer_.commit(n);
    self->readHead();
  });
}

void HttpServer::Impl::Session::readHead() {
  parser_.emplace();
  // The head's cap is counted here, the same however the bytes arrive; the
  // parser's own limit, which comes out differently by how they are split,
  // is set past it.
  parser_->header_limit(static_cast<std::uint32_t>(server_.limits.maxHeaderBytes + 1));
  parser_->body_limit(server_.limits.maxBodyBytes);
  headBytes_ = 0;
  stream_.expires_after(server_.limits.requestDeadline);
  readHeadPart();
}

// The parser takes the head a line at a time; what it took and what waits
// in the buffer together are the head so far.
void HttpServer::Impl::Session::readHeadPart() {
  http::async_read_some(stream_, buffer_, *parser_, [self = shared_from_this()](beast::error_code error, std::size_t n) {
    self->headBytes_ += n;
    const bool whole = self->parser_->is_header_done();
    if (self->headBytes_ + (whole ? 0 : self->buffer_.size()) > self->server_.limits.maxHeaderBytes)
      return self->failed(http::error::header_limit);
    if (error || whole) return self->onHead(error);
    self->readHeadPart();
  });
}

void HttpServer::Impl::Session::onHead(const beast::error_code& error) {
  if (error) return failed(error);
  auto& message = parser_->get();
  if (static_cast<std::size_t>(std::distance(message.begin(), message.end())) > server_.limits.maxHeaderCount) {
    return refuse(431, "refused: a request may have at most " + std::to_string(server_.limits.maxHeaderCount) +
                           " headers");
  }
  if (message.count(http::field::transfer_encoding) > 0)
    return refuse(411, "refused: a request's body must come whole, with a Content-Length");
  if (!parser_->is_done() && beast::iequals(message[http::field::expect], "100-continue")) {
    auto go = std::make_shared<http::response<http::empty_body>>(http::status::continue_, 11);
    return http::async_write(stream_, *go, [self = shared_from_this(), go](beast::error_code failure, std::size_t) {
      if (failure) return self->closeNow();
      self->readBody();
    });
  }
  readBody();
}

void HttpServer::Impl::Session::readBody() {
  http::async_read(stream_, buffer_, *parser_, [self = shared_from_this()](beast::error_code error, std::size_t) {
    if (error) return self->failed(error);
    self->dispatch();
  });
}

void HttpServer::Impl::Session::failed(const beast::error_code& error) {
  if (error == http::error::header_limit || error == http::error::buffer_overflow) {
    return refuse(431, "refused: a request's line and headers may be at most " +
                           std::to_string(server_.limits.maxHeaderBytes) + " bytes");
  }
  if (error == http::error::body_limit) {
    return refuse(413, "refused: a request's body may be at most " + std::to_string(server_.limits.maxBodyBytes) +
                           " bytes");
  }
  // A client that went, or never finished in time, is not answered.
  if (error == http::error::end_of_stream || error == http::error::partial_message || !isHttpError(error)) {
    return closeNow();
  }
  refuse(400, "the request is not valid HTTP");
}

// --- answering

void HttpServer::Impl::Session::dispatch() {
  phase_ = Phase::handling;
  stream_.expires_never();  // an action may take minutes; the connection holds nothing meanwhile
  auto& message = parser_->get();
  keepAlive_ = message.keep_alive() && ++served_ < server_.limits.maxRequestsPerConnection && !server_.stopping;
  HostRequest request = hostRequest(message);
  AccessDecision decision = server_.admit(request);
  if (decision.refusal) return refuse(std::move(*decision.refusal));
  tokenShown = tokenShown || decision.tokenShown;
  addedHeaders_ = std::move(decision.headers);
  if (websocket::is_upgrade(message)) upgrade_.emplace(std::move(message));
  parser_.reset();
  server_.handOver(shared_from_this(), [&](const HostReply& reply) { server_.handler(std::move(request), reply); });
}

void HttpServer::Impl::Session::answer(HostResponse response) {
  if (phase_ != Phase::handling) return;
  for (auto& header : std::exchange(addedHeaders_, {})) response.headers.push_back(std::move(header));
  if (response.socket && !upgrade_) return refuse(400, "this address takes a WebSocket");
  if (response.socket && server_.stopping) return refuse(503, "the Settings host is stopping");
  if (response.socket) return becomeSocket(std::move(response));
  upgrade_.reset();
  if (response.stream) return startStream(response);
  auto message = std::make_shared<http::response<http::string_body>>();
  message->version(11);
  message->result(static_cast<unsigned>(response.status));
  for (const auto& [name, value] : response.headers) message->set(name, value);
  if (!response.contentType.empty()) message->set(http::field::content_type, response.contentType);
  message->body() = std::move(response.body);
  message->keep_alive(keepAlive_);
  message->prepare_payload();
  phase_ = Phase::writing;
  stream_.expires_after(server_.limits.writeDeadline);
  http::async_write(stream_, *message, [self = shared_from_this(), message](beast::error_code error, std::size_t) {
    if (error) return self->closeNow();
    if (!self->keepAlive_) return self->closeGracefully();
    self->awaitRequest();
  });
}

void HttpServer::Impl::Session::refuse(int status, const std::string& message) {
  refuse(server_.refusal(status, message));
}

// A refused client gets no second try on the same connection.
void HttpServer::Impl::Session::refuse(HostResponse response) {
  parser_.reset();
  upgrade_.reset();
  refused = true;
  keepAlive_ = false;
  phase_ = Phase::handling;
  answer(std::move(response));
}

// The connection goes on as a WebSocket, counted as the same connection.
void HttpServer::Impl::Session::becomeSocket(HostResponse response) {
  phase_ = Phase::closed;
  auto next = std::make_shared<SocketSession>(server_, stream_.release_socket(), std::move(response.socket));
  next->order = order;
  next->since = since;
  next->tokenShown = tokenShown;
  server_.sessions.insert(next);
  server_.ended(shared_from_this());
  next->start(std::move(*std::exchange(upgrade_, std::nullopt)), std::move(response.headers));
}

// --- WebSockets

void HttpServer::Impl::SocketSession::start(http::request<http::string_body> request,
                                            std::vector<std::pair<std::string, std::string>> headers) {
  request_ = std::move(request);
  // The handshakes, opening and closing, within the request deadline.
  socket_.set_option(websocket::stream_base::timeout{server_.limits.requestDeadline, websocket::stream_base::none(),
                                                     false});
  socket_.set_option(websocket::stream_base::decorator(
      [headers = std::move(headers)](websocket::response_type& answer) {
        for (const auto& [name, value] : headers) answer.insert(name, value);
      }));
  socket_.read_message_max(server_.limits.maxBodyBytes);
  socket_.async_accept(request_, [self = shared_from_this()](beast::error_code error) {
    if (error) return self->closeNow();
    self->open_ = true;
    if (self->stopping_) return self->close();
    self->read();
  });
}

void HttpServer::Impl::SocketSession::read() {
  // An open page answers the pings while it waits; one that went is cut.
  socket_.set_option(
      websocket::stream_base::timeout{server_.limits.requestDeadline, server_.limits.socketIdle, true});
  socket_.async_read(buffer_, [self = shared_from_this()](beast::error_code error, std::size_t) {
    // A message over the cap fails the read, and the socket is closed with "too big".
    if (error) return self->closeNow();
    // An action may take minutes, and nothing is read meanwhile, pongs neither.
    self->socket_.set_option(websocket::stream_base::timeout{self->server_.limits.requestDeadline,
                                                             websocket::stream_base::none(), false});
    std::string text = beast::buffers_to_string(self->buffer_.data());
    self->buffer_.consume(self->buffer_.size());
    self->handle(std::move(text));
  });
}

void HttpServer::Impl::SocketSession::handle(std::string text) {
  handling_ = true;
  server_.handOver(shared_from_this(), [&](const HostReply& reply) { host_->message(std::move(text), reply); });
}

void HttpServer::Impl::SocketSession::answer(HostResponse response) {
  if (closed_) return;
  outgoing_ = std::move(response.body);
  socket_.text(true);
  writing_.expires_after(server_.limits.writeDeadline);
  writing_.async_wait([weak = weak_from_this()](beast::error_code error) {
    if (auto self = weak.lock(); self && !error) self->closeNow();
  });
  socket_.async_write(net::buffer(outgoing_), [self = shared_from_this()](beast::error_code error, std::size_t) {
    self->writing_.cancel();
    self->handling_ = false;
    if (error) return self->closeNow();
    if (self->stopping_) return self->close();
    self->read();
  });
}

// A message being handled still gets its answer; the socket closes after it.
void HttpServer::Impl::SocketSession::stop() {
  stopping_ = true;
  if (open_ && !handling_) close();
}

void HttpServer::Impl::SocketSession::close() {
  if (closing_ || closed_) return;
  closing_ = true;
  // The page answers a close at once; one that does not is cut soon after.
  socket_.set_option(websocket::stream_base::timeout{server_.limits.keepAliveIdle, websocket::stream_base::none(), false});
  socket_.async_close(websocket::close_code::going_away,
                      [self = shared_from_this()](beast::error_code) { self->closeNow(); });
}

void HttpServer::Impl::SocketSession::closeNow() {
  if (closed_) return;
  closed_ = true;
  writing_.cancel();
  auto& stream = beast::get_lowest_layer(socket_);
  beast::error_code ignored;
  stream.socket().shutdown(tcp::socket::shutdown_both, ignored);
  stream.close();
  server_.ended(shared_from_this());
}

// --- streams

void HttpServer::Impl::Session::startStream(const HostResponse& response) {
  phase_ = Phase::streaming;
  hostStream_ = response.stream;
  streamHead_.emplace(static_cast<http::status>(response.status), 11);
  for (const auto& [name, value] : response.headers) streamHead_->set(name, value);
  if (!response.contentType.empty()) streamHead_->set(http::field::content_type, response.contentType);
  streamHead_->chunked(true);
  streamSerializer_.emplace(*streamHead_);
  stream_.expires_after(server_.limits.writeDeadline);
  http::async_write_header(stream_, *streamSerializer_, [self = shared_from_this()](beast::error_code error, std::size_t) {
    if (error) return self->closeNow();
    self->stream_.expires_never();
    self->streamStarted();
  });
}

void HttpServer::Impl::Session::streamStarted() {
  watchForHangUp();
  restartIdle();
  std::weak_ptr<Session> weak = shared_from_this();
  if (hostStream_->start) {
    hostStream_->start([post = server_.post, weak] {
      post->post([weak] {
        if (auto self = weak.lock()) self->pump();
      });
    });
  }
  if (streamOver_) pump();  // the server stopped while the head went out
}

// A stream's client sends nothing more; a read ends only when it goes.
void HttpServer::Impl::Session::watchForHangUp() {
  stream_.async_read_some(net::buffer(discard_), [self = shared_from_this()](beast::error_code error, std::size_t) {
    if (error) return self->closeNow();
    self->watchForHangUp();
  });
}

void HttpServer::Impl::Session::pump() {
  if (phase_ != Phase::streaming) return;
  if (chunkWriting_) {
    wokenWhileWriting_ = true;
    return;
  }
  std::optional<std::string> text;
  if (!streamOver_) text = hostStream_->take();
  if (!text) {
    phase_ = Phase::ending;
    stream_.expires_after(server_.limits.writeDeadline);
    return net::async_write(stream_, http::make_chunk_last(),
                            [self = shared_from_this()](beast::error_code, std::size_t) { self->closeNow(); });
  }
  if (!text->empty()) writeChunk(std::move(*text));
}

void HttpServer::Impl::Session::writeChunk(std::string text) {
  chunk_ = std::move(text);
  chunkWriting_ = true;
  stream_.expires_after(server_.limits.writeDeadline);
  net::async_write(stream_, http::make_chunk(net::buffer(chunk_)),
                   [self = shared_from_this()](beast::error_code error, std::size_t) {
                     self->chunkWriting_ = false;
                     if (error) return self->closeNow();
                     // Closed (the client went) after the chunk was written: the host's stream is gone.
                     if (self->phase_ == Phase::closed) return;
                     self->stream_.expires_never();  // the hang-up watch goes on without a deadline
                     self->restartIdle();
                     if (std::exchange(self->wokenWhileWriting_, false)) self->pump();
                   });
}

void HttpServer::Impl::Session::restartIdle() {
  if (hostStream_->idleText.empty()) return;
  idle_.expires_after(hostStream_->idleAfter);
  idle_.async_wait([self = shared_from_this()](beast::error_code error) {
    if (error || self->phase_ != Phase::streaming || self->chunkWriting_) return;
    self->writeChunk(self->hostStream_->idleText);
  });
}

void HttpServer::Impl::Session::endStream() {
  if (!hostStream_) return;
  auto stream = std::exchange(hostStream_, nullptr);
  if (stream->ended) stream->ended();
}

// --- closing

// Closing with unread bytes would reset the connection and could lose the
// answer just written (a refused body still coming): the server stops
// sending, then reads and drops what still comes, for a short while.
void HttpServer::Impl::Session::closeGracefully() {
  phase_ = Phase::closing;
  beast::error_code ignored;
  stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
  stream_.expires_after(server_.limits.keepAliveIdle);
  drain();
}

void HttpServer::Impl::Session::drain() {
  stream_.async_read_some(net::buffer(discard_), [self = shared_from_this()](beast::error_code error, std::size_t) {
    if (error) return self->closeNow();
    self->drain();
  });
}

void HttpServer::Impl::Session::closeNow() {
  if (phase_ == Phase::closed) return;
  phase_ = Phase::closed;
  endStream();
  idle_.cancel();
  beast::error_code ignored;
  stream_.socket().shutdown(tcp::socket::shutdown_both, ignored);
  stream_.close();
  server_.ended(shared_from_this());
}

void HttpServer::Impl::Session::stop() {
  switch (phase_) {
    case Phase::waiting:
    case Phase::closing:
      return closeNow();
    case Phase::handling:
    case Phase::writing:
      keepAlive_ = false;
      return;
    case Phase::streaming:
      streamOver_ = true;
      return pump();
    case Phase::ending:
    case Phase::closed:
      return;
  }
}

// --- the server

void HttpServer::Impl::accept() {
  if (stopping) return;
  if (sessions.size() >= limits.maxConnections && !leastNeeded()) {
    acceptPaused = true;  // newcomers wait in the listen queue
    return retryLater();
  }
  acceptor.async_accept([this](beast::error_code error, tcp::socket socket) {
    if (error) {
      // Out of descriptors, say: try again shortly rather than spin.
      if (acceptor.is_open() && !stopping) addTimer(std::chrono::milliseconds(50), [this] { accept(); });
      return;
    }
    beast::error_code ignored;
    // An answer may go out in two writes (head, body); without this the second
    // waits for the client's delayed acknowledgement, some 40 ms.
    socket.set_option(tcp::no_delay(true), ignored);
    if (sessions.size() >= limits.maxConnections) {
      auto room = leastNeeded();
      // The one that could have gone showed the token meanwhile.
      if (!room) {
        held.emplace(std::move(socket));
        acceptPaused = true;
        return retryLater();
      }
      room->drop();
    }
    admitConnection(std::move(socket));
    accept();
  });
}

void HttpServer::Impl::admitConnection(tcp::socket socket) {
  auto session = std::make_shared<Session>(*this, std::move(socket));
  session->order = ++accepted;
  session->since = std::chrono::steady_clock::now();
  sessions.insert(session);
  session->start();
}

std::shared_ptr<HttpServer::Impl::Connection> HttpServer::Impl::leastNeeded() const {
  auto rank = [](const Connection& connection) { return std::pair(connection.refused ? 0 : 1, connection.order); };
  std::shared_ptr<Connection> least;
  const auto now = std::chrono::steady_clock::now();
  for (const auto& connection : sessions) {
    if (connection->tokenShown && !connection->refused) continue;
    if (!connection->refused && now - connection->since < kFirstRequestGrace) continue;
    if (!least || rank(*connection) < rank(*least)) least = connection;
  }
  return least;
}

void HttpServer::Impl::ended(const std::shared_ptr<Connection>& connection) {
  sessions.erase(connection);
  resume();
  if (stopping && sessions.empty()) work.reset();
}

void HttpServer::Impl::resume() {
  if (!acceptPaused || stopping) return;
  if (sessions.size() >= limits.maxConnections) {
    auto room = leastNeeded();
    if (!room) return retryLater();
    acceptPaused = false;  // before the drop, whose end would come back here
    if (!held) return accept();
    room->drop();
  }
  acceptPaused = false;
  if (held) admitConnection(std::move(*std::exchange(held, std::nullopt)));
  accept();
}

// Only a newcomer still within its grace can make room later without a
// connection ending (which resumes by itself).
void HttpServer::Impl::retryLater() {
  const bool waiting = std::ranges::any_of(sessions, [](const auto& each) { return !each->tokenShown; });
  if (retryPending || !waiting) return;
  retryPending = true;
  addTimer(kFirstRequestGrace, [this] {
    retryPending = false;
    resume();
  });
}

void HttpServer::Impl::stopOnIoThread() {
  stopping = true;
  beast::error_code ignored;
  acceptor.close(ignored);
  held.reset();
  for (const auto& timer : std::set(timers)) timer->cancel();
  for (const auto& session : std::set(sessions)) session->stop();
  if (sessions.empty()) work.reset();
}

template <class Target>
void HttpServer::Impl::handOver(const std::shared_ptr<Target>& target,
                                const std::function<void(const HostReply&)>& run) {
  std::weak_ptr<Target> weak = target;
  HostReply reply(
      [post = post, weak](HostResponse response) {
        post->post([weak, response = std::move(response)]() mutable {
          if (auto self = weak.lock()) self->answer(std::move(response));
        });
      },
      refusal(503, "the Settings host is stopping"));
  try {
    run(reply);
  } catch (const std::exception& failure) {
    reply(refusal(500, failure.what()));
  }
}

void HttpServer::Impl::addTimer(std::chrono::milliseconds delay, std::function<void()> task) {
  auto timer = std::make_shared<net::steady_timer>(io, delay);
  timers.insert(timer);
  timer->async_wait([this, timer, task = std::move(task)](beast::error_code error) {
    timers.erase(timer);
    if (!error && !stopping) task();
  });
}

HttpServer::HttpServer(HttpLimits limits, Admit admit, Handler handler, Refusal refusal)
    : impl_(std::make_unique<Impl>(limits, std::move(admit), std::move(handler), std::move(refusal))) {}

HttpServer::~HttpServer() = default;

int HttpServer::bind(const std::string& address, int port) {
  beast::error_code error;
  const auto ip = net::ip::make_address(address, error);
  if (error) throw std::system_error(error);
  const tcp::endpoint endpoint(ip, static_cast<unsigned short>(port));
  auto& acceptor = impl_->acceptor;
  acceptor.open(endpoint.protocol(), error);
  // Address reuse only: with port sharing a second host would quietly share the port.
  if (!error) acceptor.set_option(net::socket_base::reuse_address(true), error);
  if (!error) acceptor.bind(endpoint, error);
  if (!error) acceptor.listen(impl_->limits.listenBacklog, error);
  if (error) {
    beast::error_code ignored;
    acceptor.close(ignored);
    throw std::system_error(error);
  }
  return acceptor.local_endpoint().port();
}

void HttpServer::serve() {
  net::post(impl_->io, [impl = impl_.get()] { impl->accept(); });
  impl_->io.run();
}

void HttpServer::stop() {
  impl_->post->post([impl = impl_.get()] { impl->stopOnIoThread(); });
}

void HttpServer::after(std::chrono::milliseconds delay, std::function<void()> task) {
  impl_->post->post([impl = impl_.get(), delay, task = std::move(task)]() mutable {
    if (!impl->stopping) impl->addTimer(delay, std::move(task));
  });
}
