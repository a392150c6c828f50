// Boost 1.74's Asio needs <utility> before anything else under C++20.
#include <utility>

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>

#include "http_server.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bad_token_throttle.h"
#include "link_worker.h"
#include "panel_page.h"
#include "web_api.h"

namespace net = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
using tcp = net::ip::tcp;

namespace {

constexpr auto kRequestTimeout = std::chrono::seconds(30);
constexpr auto kPushInterval = std::chrono::milliseconds(100);  // about ten states a second
constexpr size_t kHeaderLimit = 8192;
constexpr size_t kDrainLimit = 65536;  // a refused body is read away up to here before closing
constexpr size_t kPushBacklog = 2;     // a slow WebSocket reader gets the newest states only
constexpr int kServiceUnavailable = 503;
constexpr const char* kJson = "application/json";
// Open connections (WebSockets included) and WebSockets at once; one more is answered 503
// and closed, so that a flood of clients cannot take the bridge's memory or the plug-in's time.
constexpr int kMostConnections = 32;
constexpr int kMostWebSockets = 8;
constexpr int64_t kMillisecondsPerSecond = 1000;

struct Context;

// Answers an HTTP answer from the link, on the server's thread.
void AskLink(Context& context, std::string text, std::function<void(LinkAnswer)> then);

class WebSocketSession;

// Pushes the state to every open WebSocket about ten times a second, asking the plug-in once
// per round whatever the number of panels; asks nothing while no panel is open.
class StatePusher {
public:
    explicit StatePusher(Context& context);
    void Add(const std::shared_ptr<WebSocketSession>& session);

private:
    void Round();
    void Deliver(const LinkAnswer& answer);

    Context& context_;
    net::steady_timer timer_;
    std::vector<std::weak_ptr<WebSocketSession>> sessions_;
    bool running_ = false;
};

constexpr unsigned kReplyTimeoutMs = 5000;

// One place of a counted kind (connections, WebSockets), held while the object lives.
class Place {
public:
    explicit Place(int& count) : count_(&count) { ++*count_; }
    Place(Place&& other) noexcept : count_(std::exchange(other.count_, nullptr)) {}
    Place& operator=(Place&&) = delete;
    ~Place() {
        if (count_ != nullptr) --*count_;
    }

private:
    int* count_;
};

int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

struct Context {
    net::io_context io{1};
    const WebOptions& options;
    int connections = 0;
    int webSockets = 0;
    BadTokenThrottle throttle;
    StatePusher pusher{*this};
    // Last, so it goes first: its thread is joined while `io` still takes what it posts.
    LinkWorker link;
    explicit Context(const WebOptions& o) : options(o), link(o.serverName, kReplyTimeoutMs) {}
};

void AskLink(Context& context, std::string text, std::function<void(LinkAnswer)> then) {
    context.link.Ask(std::move(text), [&io = context.io, then = std::move(then)](LinkAnswer answer) mutable {
        net::post(io, [then = std::move(then), answer = std::move(answer)]() mutable { then(std::move(answer)); });
    });
}

class WebSocketSession : public std::enable_shared_from_this<WebSocketSession> {
public:
    WebSocketSession(tcp::socket&& socket, Context& context, Place connection)
        : ws_(std::move(socket)), context_(context), connection_(std::move(connection)), webSocket_(context.webSockets) {}

    void Run(http::request<http::string_body> request) {
        ws_.set_option(websocket::stream_base::timeout::suggested(beast::role_type::server));
        ws_.read_message_max(kBodyLimit);
        request_ = std::move(request);  // kept until the handshake is done
        ws_.async_accept(request_, [self = shared_from_this()](beast::error_code ec) { self->Accepted(ec); });
    }

    void Push(const std::shared_ptr<const std::string>& text) {
        if (!open_) return;
        // The message being written stays; older unsent ones make way for the newest.
        while (queue_.size() > kPushBacklog) queue_.erase(queue_.begin() + 1);
        queue_.push_back(text);
        if (queue_.size() == 1) Write();
    }

private:
    void Accepted(beast::error_code ec) {
        if (ec) return;
        open_ = true;
        context_.pusher.Add(shared_from_this());
        Read();
    }
    // Panels send nothing; reading notices a close and answers pings.
    void Read() {
        ws_.async_read(buffer_, [self = shared_from_this()](beast::error_code ec, size_t) {
            if (ec) {
                self->open_ = false;
                return;
            }
            self->buffer_.consume(self->buffer_.size());
            self->Read();
        });
    }
    void Write() {
        ws_.text(true);
        ws_.async_write(net::buffer(*queue_.front()), [self = shared_from_this()](beast::error_code ec, size_t) {
            self->queue_.pop_front();
            if (ec) {
                self->open_ = false;
                self->queue_.clear();
                return;
            }
            if (!self->queue_.empty()) self->Write();
        });
    }

    websocket::stream<beast::tcp_stream> ws_;
    Context& context_;
    Place connection_;
    Place webSocket_;
    http::request<http::string_body> request_;
    beast::flat_buffer buffer_;
    std::deque<std::shared_ptr<const std::string>> queue_;
    bool open_ = false;
};

StatePusher::StatePusher(Context& context) : context_(context), timer_(context.io) {}

void StatePusher::Add(const std::shared_ptr<WebSocketSession>& session) {
    sessions_.push_back(session);
    if (!running_) Round();
}

void StatePusher::Round() {
    std::erase_if(sessions_, [](const std::weak_ptr<WebSocketSession>& s) { return s.expired(); });
    running_ = !sessions_.empty();
    if (!running_) return;
    // Rounds start every kPushInterval; a slow answer makes the next round start at once.
    const auto started = std::chrono::steady_clock::now();
    AskLink(context_, "GetState", [this, started](LinkAnswer answer) {
        Deliver(answer);
        timer_.expires_at(started + kPushInterval);
        timer_.async_wait([this](beast::error_code ec) {
            if (!ec) Round();
        });
    });
}

void StatePusher::Deliver(const LinkAnswer& answer) {
    std::string text;
    if (answer.Result == LinkAnswer::Status::Reply && !answer.Text.empty() && answer.Text.front() == '{') {
        text = answer.Text;
    } else {
        text = ErrorBody(answer.Result == LinkAnswer::Status::Reply ? "unexpected reply from the plug-in"
                                                                    : answer.Text);
    }
    const auto shared = std::make_shared<const std::string>(std::move(text));
    for (const auto& weak : sessions_) {
        if (auto session = weak.lock()) session->Push(shared);
    }
}

class HttpSession : public std::enable_shared_from_this<HttpSession> {
public:
    // `counted`: the connection takes one of the kMostConnections places; a refused one does not.
    HttpSession(tcp::socket&& socket, Context& context, bool counted) : stream_(std::move(socket)), context_(context) {
        if (counted) connection_.emplace(context.connections);
        beast::error_code ec;
        const tcp::endpoint peer = stream_.socket().remote_endpoint(ec);
        if (!ec) address_ = peer.address().to_string();
    }

    // Answers 503 at once, without reading the request, and closes.
    void RefuseBusy() {
        Send(static_cast<http::status>(kServiceUnavailable),
             ErrorBody("the bridge serves " + std::to_string(kMostConnections) +
                       " connections already; try again in a moment"),
             kJson, false);
    }

    void Read() {
        parser_.emplace();
        parser_->body_limit(kBodyLimit);
        parser_->header_limit(kHeaderLimit);
        stream_.expires_after(kRequestTimeout);
        http::async_read(stream_, buffer_, *parser_,
                         [self = shared_from_this()](beast::error_code ec, size_t) { self->Received(ec); });
    }

private:
    void Received(beast::error_code ec) {
        if (ec == http::error::end_of_stream) {
            stream_.socket().shutdown(tcp::socket::shutdown_send, ec);
            return;
        }
        if (ec == http::error::body_limit) {
            Send(http::status::payload_too_large, ErrorBody("the body is larger than 4 KB"), kJson, false);
            return;
        }
        if (ec) {
            // A request that cannot be parsed is answered; a closed or silent connection is not.
            if (ec.category() == http::make_error_code(http::error::bad_target).category() && ec != http::error::partial_message) {
                Send(http::status::bad_request, ErrorBody("malformed HTTP request"), kJson, false);
            }
            return;
        }
        request_ = parser_->release();
        keepAlive_ = request_.keep_alive();

        // An address that kept sending wrong tokens waits, whatever it sends now.
        const int64_t now = NowMs();
        if (const int64_t wait = context_.throttle.WaitLeftMs(address_, now); wait > 0) {
            retryAfterSeconds_ = (wait + kMillisecondsPerSecond - 1) / kMillisecondsPerSecond;
            Send(http::status::too_many_requests,
                 ErrorBody("too many requests with a wrong token from this address: wait " +
                           std::to_string(retryAfterSeconds_) + " s"),
                 kJson, false);
            return;
        }

        ApiRequest api;
        api.Method = std::string(request_.method_string());
        api.Target = std::string(request_.target());
        api.Authorization = std::string(request_[http::field::authorization]);
        api.Host = std::string(request_[http::field::host]);
        api.Origin = std::string(request_[http::field::origin]);
        api.Upgrade = websocket::is_upgrade(request_);
        api.Body = request_.body();
        const ApiPlan plan = PlanRequest(api, context_.options);
        if (plan.Status == static_cast<int>(http::status::unauthorized)) context_.throttle.Failed(address_, now);

        switch (plan.Act) {
            case ApiPlan::Action::Answer:
                Send(static_cast<http::status>(plan.Status), plan.Body, kJson, keepAlive_ && plan.Status != 413);
                return;
            case ApiPlan::Action::Page:
                Send(http::status::ok, kPanelPage, "text/html; charset=utf-8", keepAlive_);
                return;
            case ApiPlan::Action::WebSocket:
                if (context_.webSockets >= kMostWebSockets) {
                    Send(static_cast<http::status>(kServiceUnavailable),
                         ErrorBody(std::to_string(kMostWebSockets) + " panels are open already; close one"), kJson,
                         false);
                    return;
                }
                stream_.expires_never();
                std::make_shared<WebSocketSession>(stream_.release_socket(), context_, std::move(*connection_))
                    ->Run(std::move(request_));
                return;
            case ApiPlan::Action::State:
                AnswerState();
                return;
            case ApiPlan::Action::Command:
                // The command is sent once; its own reply decides the status, and the state
                // read afterwards only fills the body.
                AskLink(context_, plan.Command, [self = shared_from_this()](LinkAnswer command) {
                    if (!ChangeApplied(command)) return self->Answer(ChangeAnswer(command, nullptr));
                    AskLink(self->context_, "GetState", [self, command](LinkAnswer state) {
                        self->Answer(ChangeAnswer(command, &state));
                    });
                });
                return;
        }
    }

    void AnswerState() {
        AskLink(context_, "GetState", [self = shared_from_this()](LinkAnswer state) { self->Answer(StateAnswer(state)); });
    }

    void Answer(const HttpAnswer& answer) {
        Send(static_cast<http::status>(answer.Status), answer.Body, kJson, keepAlive_);
    }

    void Send(http::status status, std::string body, const char* contentType, bool keepAlive) {
        auto response = std::make_shared<http::response<http::string_body>>(status, 11);
        response->set(http::field::server, "tidewell-web");
        response->set(http::field::content_type, contentType);
        response->set(http::field::cache_control, "no-store");
        response->set("X-Content-Type-Options", "nosniff");
        // The panel is never framed by another page, and its address (which may hold the
        // token) is never passed on.
        response->set("X-Frame-Options", "DENY");
        response->set("Referrer-Policy", "no-referrer");
        if (status == http::status::unauthorized) response->set(http::field::www_authenticate, "Bearer");
        if (status == http::status::too_many_requests) response->set(http::field::retry_after, std::to_string(retryAfterSeconds_));
        if (status == http::status::service_unavailable) response->set(http::field::retry_after, "1");
        response->keep_alive(keepAlive);
        response->body() = std::move(body);
        response->prepare_payload();
        stream_.expires_after(kRequestTimeout);
        http::async_write(stream_, *response, [self = shared_from_this(), response](beast::error_code ec, size_t) {
            if (ec) return;
            if (response->keep_alive()) return self->Read();
            self->Close();
        });
    }

    // Says goodbye, then reads away what the client still sends (a refused body), so that
    // closing does not reset the connection before the client has read the answer.
    void Close() {
        beast::error_code ignored;
        stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
        Drain();
    }
    void Drain() {
        stream_.expires_after(std::chrono::seconds(2));
        stream_.async_read_some(net::buffer(drain_), [self = shared_from_this()](beast::error_code ec, size_t n) {
            self->drained_ += n;
            if (!ec && self->drained_ < kDrainLimit) self->Drain();
        });
    }

    beast::tcp_stream stream_;
    Context& context_;
    beast::flat_buffer buffer_;
    std::optional<http::request_parser<http::string_body>> parser_;
    http::request<http::string_body> request_;
    bool keepAlive_ = false;
    std::optional<Place> connection_;
    std::string address_;
    int64_t retryAfterSeconds_ = 0;
    char drain_[4096];
    size_t drained_ = 0;
};

class Listener : public std::enable_shared_from_this<Listener> {
public:
    Listener(Context& context, tcp::acceptor&& acceptor) : context_(context), acceptor_(std::move(acceptor)) {}
    void Accept() {
        acceptor_.async_accept(net::make_strand(context_.io),
                               [self = shared_from_this()](beast::error_code ec, tcp::socket socket) {
                                   if (!ec) self->Serve(std::move(socket));
                                   self->Accept();
                               });
    }

private:
    void Serve(tcp::socket socket) {
        const bool room = context_.connections < kMostConnections;
        auto session = std::make_shared<HttpSession>(std::move(socket), context_, room);
        if (room) {
            session->Read();
        } else {
            session->RefuseBusy();
        }
    }

    Context& context_;
    tcp::acceptor acceptor_;
};

}  // namespace

int RunHttpServer(const WebOptions& options) {
    Context context(options);
    beast::error_code ec;
    const std::string host = options.host == "localhost" ? "127.0.0.1" : options.host;
    const net::ip::address address = net::ip::make_address(host, ec);
    if (ec) {
        std::fprintf(stderr, "tidewell-web: \"%s\" is not an IP address\n", options.host.c_str());
        return kWebExitUsage;
    }
    const tcp::endpoint endpoint(address, options.port);
    tcp::acceptor acceptor(context.io);
    acceptor.open(endpoint.protocol(), ec);
    if (!ec) {
        // No other program may bind the same port beside the bridge and take its requests.
        BOOL exclusive = TRUE;
        setsockopt(acceptor.native_handle(), SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive),
                   sizeof exclusive);
        acceptor.bind(endpoint, ec);
    }
    if (!ec) acceptor.listen(net::socket_base::max_listen_connections, ec);
    if (ec) {
        // Wine words the usual case as "Unknown error (10048)": say it plainly.
        const std::string why = ec == net::error::address_in_use
                                    ? "another program holds this port; choose another with --listen"
                                    : ec.message();
        std::fprintf(stderr, "tidewell-web: cannot listen on %s port %u: %s\n", options.host.c_str(),
                     static_cast<unsigned>(options.port), why.c_str());
        return kWebExitListen;
    }
    std::make_shared<Listener>(context, std::move(acceptor))->Accept();
    net::signal_set signals(context.io, SIGINT, SIGTERM);
    signals.async_wait([&](beast::error_code, int) { context.io.stop(); });

    const bool v6 = address.is_v6();
    std::printf("tidewell-web: listening on http://%s%s%s:%u/%s\n", v6 ? "[" : "", options.host.c_str(), v6 ? "]" : "",
                static_cast<unsigned>(options.port), options.token.empty() ? "" : " (token required)");
    std::fflush(stdout);
    context.io.run();
    return kWebExitOk;
}
