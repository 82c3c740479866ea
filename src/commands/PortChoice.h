#pragma once

namespace velnor {

class SerialPort;
struct StartupSettings;

// The main window's port number and speed. A choice that changes either closes the port and
// sets the port's number or settings; the next frame opens the port again on them. Choices
// last for the run: the settings file is never written.
class PortChoice final
{
public:
    explicit PortChoice(SerialPort& port);

    // At start: the port and speed the settings name, set on the port, which stays closed. Any
    // text that does not begin with the fast speed settles on the slow one.
    void load(const StartupSettings& startup);
    // index: of the port list, 0 for port 1.
    void choosePort(int index);
    // speed: in bit/s, wire::FastSpeed or wire::SlowSpeed.
    void chooseSpeed(int speed);

private:
    SerialPort& m_port;
};

} // namespace velnor
