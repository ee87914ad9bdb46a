#include "host/HttpServer.h"

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
  };
  class Session;
  class SocketSession;

  Impl(HttpLimits limitsGiven, Handler handlerGiven, Refusal refusalGiven)
      : limits(limitsGiven), handler(std::move(handlerGiven)), refusal(std::move(refusalGiven)) {}
  ~Impl() {
    post->detach();
    sessions.clear();
  }

  void accept();
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
};

class HttpServer::Impl::Session : public Connection, public std::enable_shared_from_this<Session> {
 public:
  Session(Impl& server, tcp::socket socket) : server_(server), stream_(std::move(socket)), idle_(server.io) {}
  ~Session() override { endStream(); }

  void start() { awaitRequest(); }
  void stop() override;
  // I/O thread: the handler's answer to the request being handled.
  void answer(HostResponse response);

 private:
  enum class Phase { waiting, handling, writing, streaming, ending, closing, closed };

  void awaitRequest();
  void readHead();
  void onHead(const beast::error_code& error);
  void readBody();
  void failed(const beast::error_code& error);
  void dispatch();
  void refuse(int status, const std::string& message);
  void becomeSocket(std::shared_ptr<HostSocket> socket);
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
  Phase phase_ = Phase::waiting;
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
      : server_(server), socket_(std::move(socket)), host_(std::move(host)) {}

  void start(http::request<http::string_body> request);
  void stop() override;
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
  parser_->header_limit(static_cast<std::uint32_t>(server_.limits.maxHeaderBytes));
  parser_->body_limit(server_.limits.maxBodyBytes);
  stream_.expires_after(server_.limits.requestDeadline);
  http::async_read_header(stream_, buffer_, *parser_,
                          [self = shared_from_this()](beast::error_code error, std::size_t) { self->onHead(error); });
}

void HttpServer::Impl::Session::onHead(const beast::error_code& error) {
  if (error) return failed(error);
  auto& message = parser_->get();
  if (static_cast<std::size_t>(std::distance(message.begin(), message.end())) > server_.limits.maxHeaderCount) {
    return refuse(431, "refused: a request may have at most " + std::to_string(server_.limits.maxHeaderCount) +
                           " headers");
  }
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
  if (error == http::error::header_limit) return refuse(431, "refused: the request's headers are too large");
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
  if (websocket::is_upgrade(message)) upgrade_.emplace(message);
  HostRequest request = hostRequest(message);
  parser_.reset();
  server_.handOver(shared_from_this(), [&](const HostReply& reply) { server_.handler(std::move(request), reply); });
}

void HttpServer::Impl::Session::answer(HostResponse response) {
  if (phase_ != Phase::handling) return;
  if (response.socket && !upgrade_) return refuse(400, "this address takes a WebSocket");
  if (response.socket && server_.stopping) return refuse(503, "the Settings host is stopping");
  if (response.socket) return becomeSocket(std::move(response.socket));
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
  parser_.reset();
  keepAlive_ = false;
  phase_ = Phase::handling;
  answer(server_.refusal(status, message));
}

// The connection goes on as a WebSocket, counted as the same connection.
void HttpServer::Impl::Session::becomeSocket(std::shared_ptr<HostSocket> socket) {
  phase_ = Phase::closed;
  auto next = std::make_shared<SocketSession>(server_, stream_.release_socket(), std::move(socket));
  server_.sessions.insert(next);
  server_.ended(shared_from_this());
  next->start(std::move(*std::exchange(upgrade_, std::nullopt)));
}

// --- WebSockets

void HttpServer::Impl::SocketSession::start(http::request<http::string_body> request) {
  request_ = std::move(request);
  // The handshakes, opening and closing, within the request deadline; an
  // open socket may stay quiet as long as its page stays open.
  socket_.set_option(websocket::stream_base::timeout{server_.limits.requestDeadline, websocket::stream_base::none(),
                                                     false});
  socket_.read_message_max(server_.limits.maxBodyBytes);
  socket_.async_accept(request_, [self = shared_from_this()](beast::error_code error) {
    if (error) return self->closeNow();
    self->open_ = true;
    if (self->stopping_) return self->close();
    self->read();
  });
}

void HttpServer::Impl::SocketSession::read() {
  socket_.async_read(buffer_, [self = shared_from_this()](beast::error_code error, std::size_t) {
    // A message over the cap fails the read, and the socket is closed with "too big".
    if (error) return self->closeNow();
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
  socket_.async_write(net::buffer(outgoing_), [self = shared_from_this()](beast::error_code error, std::size_t) {
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
  if (sessions.size() >= limits.maxConnections) {
    acceptPaused = true;  // newcomers wait in the listen queue
    return;
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
    auto session = std::make_shared<Session>(*this, std::move(socket));
    sessions.insert(session);
    session->start();
    accept();
  });
}

void HttpServer::Impl::ended(const std::shared_ptr<Connection>& connection) {
  sessions.erase(connection);
  if (acceptPaused && !stopping) {
    acceptPaused = false;
    accept();
  }
  if (stopping && sessions.empty()) work.reset();
}

void HttpServer::Impl::stopOnIoThread() {
  stopping = true;
  beast::error_code ignored;
  acceptor.close(ignored);
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

HttpServer::HttpServer(HttpLimits limits, Handler handler, Refusal refusal)
    : impl_(std::make_unique<Impl>(limits, std::move(handler), std::move(refusal))) {}

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
