#pragma once
// What the engine asks of the TCP link to the live-traffic application on this PC. The defaults have no link:
// nothing is sent and every call succeeds.
namespace hlw {

class LiveTrafficLink {
public:
    virtual ~LiveTrafficLink() = default;

    // Worker, traffic start: listens on "PORT_NUMBER".
    virtual void startServer() {}
    // Worker, traffic start: waits for the application (seeing a stop) and exchanges versions; a level 2 reply
    // sets simTimeEnabled.
    virtual void connectAndHandshake() {}
    // Worker: "Qs121=" with the user aircraft's state.
    virtual void sendUserPosition() {}
    // Worker: "Qs123=" with the simulator time.
    virtual void sendSimTime() {}
    // Any thread: sends "exit" to a connected client and closes the link; waiting calls return.
    virtual void close() {}
};

} // namespace hlw
