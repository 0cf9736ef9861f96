#include "engine/intake/udp_reader_thread.h"

#include "core/log.h"
#include "engine/base/stop_requests.h"
#include "engine/base/stop_wait.h"
#include "platform/net/socket_error.h"
#include "platform/net/udp_receiver.h"

#include <fmt/format.h>

#include <exception>
#include <stdexcept>

namespace hlw {

UdpReaderThread::UdpReaderThread(std::string name, DatagramSink& sink, SteadyTimeSource& time,
                                 std::chrono::milliseconds receiveTimeout)
    : name_(std::move(name)), sink_(sink), receiveTimeout_(receiveTimeout), overrunLog_(time)
{
    previous_.reserve(bufferSize);
}

UdpReaderThread::~UdpReaderThread()
{
    stop();
    join();
}

bool UdpReaderThread::start(uint16_t port, bool localOnly)
{
    join();
    stopRequested_.store(false);
    localOnly_ = localOnly;
    previous_.clear();
    datagrams_.store(0);
    std::unique_ptr<net::UdpReceiver> receiver;
    try {
        receiver = std::make_unique<net::UdpReceiver>(
            port, localOnly ? net::BindScope::loopback : net::BindScope::anyAddress, receiveTimeout_, bufferSize);
    } catch (const std::exception& error) {
        sink_.onClosed();
        gf_readerStopped(name_, fmt::format("{} (UDP port {})", error.what(), port));
        return false;
    }
    port_.store(receiver->port());
    {
        const std::lock_guard lock(receiverMutex_);
        receiver_ = std::move(receiver);
    }
    running_.store(true);
    thread_ = std::thread(&UdpReaderThread::run, this);
    return true;
}

void UdpReaderThread::stop() noexcept
{
    stopRequested_.store(true);
    const std::lock_guard lock(receiverMutex_);
    if (receiver_) {
        receiver_->wake();
    }
}

void UdpReaderThread::join()
{
    if (thread_.joinable()) {
        thread_.join();
    }
    const std::lock_guard lock(receiverMutex_);
    receiver_.reset();
    port_.store(0);
}

void UdpReaderThread::run()
{
    try {
        sink_.onStarted();
        gf_logContinuation(fmt::format("{} connected", name_));
        receiveLoop();
        sink_.onStopped();
    } catch (const std::exception& error) {
        gf_readerStopped(name_, error.what());
    } catch (...) {
        gf_readerStopped(name_, "Unknown exception");
    }
    sink_.onClosed();
    gf_logContinuation(fmt::format("{} disconnected", name_));
    running_.store(false);
}

void UdpReaderThread::receiveLoop()
{
    // The receiver lives until join(), which runs after this thread has ended.
    net::UdpReceiver& receiver = *receiver_;
    while (!stopRequested_.load()) {
        const net::ReceiveResult result = receiver.receive();
        switch (result.status) {
        case net::ReceiveStatus::data:
            datagrams_.fetch_add(1);
            handle(receiver.datagram());
            break;
        case net::ReceiveStatus::overrun:
            datagrams_.fetch_add(1);
            if (!stopRequested_.load() && !gf_runEnding()) {
                overrunLog_.log("buffer overrun", fmt::format("buffer overrun: {} bytes", result.size));
            }
            sink_.onSkipped(LineDrop::oversize);
            break;
        case net::ReceiveStatus::failed:
            if (!stopRequested_.load()) {
                throw std::runtime_error(fmt::format("receive error: {}", result.errorText()));
            }
            return;
        case net::ReceiveStatus::woken:
            return;
        case net::ReceiveStatus::timedOut:
        case net::ReceiveStatus::closed:
            break;
        }
    }
}

void UdpReaderThread::handle(std::string_view datagram)
{
    if (!localOnly_) {
        if (datagram == previous_) {
            sink_.onSkipped(LineDrop::repeated);
            return;
        }
        previous_.assign(datagram);
    }
    sink_.onDatagram(datagram);
}

} // namespace hlw
