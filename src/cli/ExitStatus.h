#pragma once

namespace velnor::cli {

// What velnor-cli's exit status tells a script. The run stops at the first command that fails.
enum class ExitStatus : int {
    // Every command ran; every answer waited for came.
    Ok = 0,
    // The command line is wrong (unknown command, value out of range, a command that needs a
    // selection before it, a file that is not there). Nothing was sent.
    Usage = 2,
    // The port could not be opened or written: "SELECTED PORT NOT AVAILABLE!" with the device
    // and the system's reason.
    PortNotAvailable = 3,
    // A module did not answer: "Device Not Found" after select, "No Response" after deselect
    // or inputs.
    NoAnswer = 4,
    // The configuration cannot be uploaded (a bitmap value or the address is unusable).
    // Nothing was sent.
    ConfigurationRefused = 5,
    // save sent the store frame, but the settings file could not be written.
    SettingsNotWritten = 6,
    // Every command ran, but the result could not be written to standard output.
    OutputLost = 7,
    // commission: more than one module answers (or a garbled reply). Nothing was uploaded.
    SeveralModules = 8,
    // commission: stored, but not seen at the new address in time.
    NotSeenInTime = 9,
    // A signal (Ctrl+C, a kill) ended the run between two frames, as shells number it.
    Interrupted = 130,
};

} // namespace velnor::cli
