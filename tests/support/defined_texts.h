#pragma once

// The operations' names and the texts the plug-in shows, as the system defines them, for tests
// to expect. Never loaded from the plug-in's own table: a wrong entry there must fail a test.
#include <string>

namespace texts {

inline const std::string kVersionOperation = "Verify GPS software version";
inline const std::string kOptionsOperation = "Verify receiver options";
inline const std::string kLogOperation = "View error log";
inline const std::string kWipeOperation = "Wipe Radio Configuration Blocks";

// Status lines.
inline const std::string kEstablishing =
    "Establishing communication with the Orrick receiver. Please wait...";
inline const std::string kCanceled = "The operation was canceled.";
inline const std::string kFailure = "There was a failure with the operation!";
inline const std::string kVersionSuccess = "The version was retrieved successfully.";
inline const std::string kOptionsSuccess = "The configuration was retrieved successfully.";
inline const std::string kLogSuccess = "The error log was retrieved successfully.";
inline const std::string kWipeSuccess = "Radio configuration blocks are erased successfully.";
inline const std::string kRebootingTheReceiver = "Rebooting the Orrick receiver...";
inline const std::string kRebootingReceiver = "Rebooting Orrick receiver...";
inline const std::string kInitializingMonitor = "Initializing monitor...";
inline const std::string kEraseFailed =
    "Erase radio configuration blocks failed due to internal receiver error.";

// Failure messages about a receiver on COM5, as the error box holds them after its version line.
inline const std::string k701 =
    "Failure! [701] - There was an error communicating with the Orrick receiver on COM5.\n"
    "Check that the receiver has power, the cables are connected and\nrestart the receiver and "
    "try again.";
inline const std::string k704 =
    "Failure! [704] - The was an error communicating with the Orrick receiver on COM5.\n\n"
    "Restart the receiver and try again.";
inline const std::string k707 =
    "Failure! [707] - The Orrick receiver on COM5 returned an unexpected response.\n\n"
    "Restart the receiver and try again.";
inline const std::string k708 =
    "Failure! [708] - There was an error communicating with the Orrick receiver on COM5.\n\n"
    "Restart the receiver and try again.";
inline const std::string k709 =
    "Failure! [709] - The device on COM5 is either not a Orrick receiver or is not in the "
    "correct state.\nRestart the receiver and try again.";
inline const std::string k710 =
    "Failure! [710] - The radio dictionary contains invalid data!\n\nPlease reload a valid "
    "dictionary.";
inline const std::string k713 =
    "Failure! [713] - There was an error decoding the error log in the Orrick receiver.\n\n"
    "Restart the receiver and try again.";
inline const std::string k801 =
    "Device failure! [801]  - There was no response from the Orrick receiver on COM5\n\n"
    "Restart the Orrick receiver and try again.";
inline const std::string k817 =
    "Device failure! [817] - Vantor encountered an error while communicating with the Orrick "
    "receiver on COM5.\n\nRestart the Orrick receiver, and try again.";
inline const std::string k818 =
    "Device failure! [818] - Vantor encountered an error while attempting to update\nthe radio "
    "configuration of the Orrick receiver on COM 5.\n\nRestart the Orrick receiver and, try "
    "again.";
inline const std::string k820 =
    "Hardware not installed! [820] - The Orrick receiver on COM5 does not have an internal "
    "radio to configure.";
// A device failure of the kind "did not respond as expected" (805, 812, 819, ...).
inline std::string DeviceText(int code, const std::string& tail = "") {
    return "Device failure! [" + std::to_string(code) +
           "] - The Orrick receiver on COM5 did not respond as expected." + tail +
           "\n\nRestart the Orrick receiver and try again.";
}
// A failure of the port itself: 301 to open it, 302 to 304 its line settings, reads and writes.
inline std::string ComText(int code, int error) {
    if (code == 301) {
        return "COM Failure! [301] There was a failure [" + std::to_string(error) +
               "] attempting to open COM5.\n\nRestart your computer and try again.";
    }
    return "COM Failure! [" + std::to_string(code) + "] There was a fatal error [" +
           std::to_string(error) + "] with COM5.\n\nRestart your computer and try again.";
}

// Message boxes shown as they are.
inline const std::string k731 =
    "The device found on COM5 is not running the application.\nThis operation requires that "
    "the application be running.\n\nRestart the Orrick receiver and try again.";
inline const std::string kWipeQuestion =
    "This operation will erase the entire existing radio configurations. Continue ?";
inline const std::string kClearQuestion =
    "Clearing the error log will delete all the errors logged to the Orrick receiver.\nDo you "
    "wish to continue with the clear operation?";
inline const std::string kNoErrors = "There are no errors in the error log of the Orrick receiver!";
inline std::string InvalidDevice(const std::string& host = "Vantor") {
    return "Invalid Device!\n\n" + host +
           " detected a product on COM5 that was was not recognized as an Orrick  receiver.\n\n"
           "Make sure that a Orrick receiver is connected to COM5.";
}

}  // namespace texts
