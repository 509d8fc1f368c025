// A TCP relay that holds every byte for a set time in each direction: a slow link between
// the tool and a database server on this machine (whose kernel has no netem). A round trip
// through it costs twice the one-way delay on top of the loopback's own.
#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

namespace wwweksports::bench {

class SlowLink {
public:
    // Listens on a free port of 127.0.0.1 and relays every connection to 127.0.0.1:target.
    SlowLink(int targetPort, std::chrono::microseconds oneWayDelay);
    ~SlowLink();
    SlowLink(const SlowLink&) = delete;
    SlowLink& operator=(const SlowLink&) = delete;

    int port() const { return port_; }

private:
    void acceptLoop();

    int targetPort_;
    std::chrono::microseconds delay_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread acceptor_;
    std::vector<std::thread> pipes_;
};

}  // namespace wwweksports::bench
