#include "SlowLink.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <stdexcept>
#include <string>

namespace wwweksports::bench {
namespace {

using Clock = std::chrono::steady_clock;

// One direction of one connection: a reader stamps what arrives, a writer passes it on once
// its time has come. Closing the reading side closes the writing side after the last chunk.
void Pipe(int from, int to, std::chrono::microseconds delay) {
    struct Chunk {
        Clock::time_point due;
        std::string data;
    };
    std::deque<Chunk> queue;
    std::mutex mutex;
    std::condition_variable ready;
    bool closed = false;

    std::thread writer([&] {
        std::unique_lock<std::mutex> lock(mutex);
        while (true) {
            ready.wait(lock, [&] { return closed || !queue.empty(); });
            if (queue.empty()) break;
            Chunk chunk = std::move(queue.front());
            queue.pop_front();
            lock.unlock();
            std::this_thread::sleep_until(chunk.due);
            for (size_t sent = 0; sent < chunk.data.size();) {
                const ssize_t n =
                    ::send(to, chunk.data.data() + sent, chunk.data.size() - sent, MSG_NOSIGNAL);
                if (n <= 0) break;
                sent += static_cast<size_t>(n);
            }
            lock.lock();
        }
        ::shutdown(to, SHUT_WR);
    });

    char buffer[64 * 1024];
    while (true) {
        const ssize_t n = ::recv(from, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        std::lock_guard<std::mutex> lock(mutex);
        queue.push_back({Clock::now() + delay, std::string(buffer, static_cast<size_t>(n))});
        ready.notify_one();
    }
    {
        std::lock_guard<std::mutex> lock(mutex);
        closed = true;
        ready.notify_one();
    }
    writer.join();
}

}  // namespace

SlowLink::SlowLink(int targetPort, std::chrono::microseconds oneWayDelay)
    : targetPort_(targetPort), delay_(oneWayDelay) {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener_ < 0 ||
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 16) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        throw std::runtime_error("slow link: cannot listen");
    }
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { acceptLoop(); });
}

SlowLink::~SlowLink() {
    stopping_ = true;
    ::shutdown(listener_, SHUT_RDWR);
    ::close(listener_);
    acceptor_.join();
    for (std::thread& pipe : pipes_) pipe.join();
}

void SlowLink::acceptLoop() {
    while (!stopping_) {
        pollfd waiting{listener_, POLLIN, 0};
        if (::poll(&waiting, 1, 100) <= 0) continue;
        const int client = ::accept(listener_, nullptr, nullptr);
        if (client < 0) continue;
        const int server = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in target{};
        target.sin_family = AF_INET;
        target.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        target.sin_port = htons(static_cast<uint16_t>(targetPort_));
        if (::connect(server, reinterpret_cast<sockaddr*>(&target), sizeof target) != 0) {
            ::close(client);
            ::close(server);
            continue;
        }
        const int one = 1;
        ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        ::setsockopt(server, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        pipes_.emplace_back([client, server, this] {
            std::thread back([client, server, this] { Pipe(server, client, delay_); });
            Pipe(client, server, delay_);
            back.join();
            ::close(client);
            ::close(server);
        });
    }
}

}  // namespace wwweksports::bench
