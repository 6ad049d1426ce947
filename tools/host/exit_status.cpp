#include "exit_status.h"

int ExitStatusOf(int result) {
    switch (result) {
        case 1:
            return exit_status::kCompleted;
        case 2:
            return exit_status::kCancelled;
        default:
            return exit_status::kFailed;
    }
}

const char* ResultWord(int result) {
    switch (ExitStatusOf(result)) {
        case exit_status::kCompleted:
            return "completed";
        case exit_status::kCancelled:
            return "cancelled";
        default:
            return "failed";
    }
}
