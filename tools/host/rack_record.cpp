#include "rack_record.h"

#include "exit_status.h"

namespace {

using Json = RackRun::Json;

// The control of a dialog by its id, or nullptr.
const Json* ControlOf(const Json& dialog, int id) {
    const auto controls = dialog.find("controls");
    if (controls == dialog.end() || !controls->is_array()) {
        return nullptr;
    }
    for (const Json& control : *controls) {
        if (control.is_object() && control.value("id", 0) == id) {
            return &control;
        }
    }
    return nullptr;
}

std::string TextOf(const Json& dialog, int id) {
    const Json* control = ControlOf(dialog, id);
    return control != nullptr ? control->value("text", std::string()) : std::string();
}

// "Model: Vorin R10" gives "Vorin R10".
std::string AfterLabel(const std::string& text) {
    const std::size_t colon = text.find(':');
    std::size_t start = colon == std::string::npos ? 0 : colon + 1;
    while (start < text.size() && text[start] == ' ') {
        ++start;
    }
    return text.substr(start);
}

}  // namespace

std::string OneLineMessage(const std::string& text) {
    std::string line;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end;
        std::string part = text.substr(start, end - start);
        while (!part.empty() && (part.back() == '\r' || part.back() == ' ')) {
            part.pop_back();
        }
        if (!part.empty() && part.rfind("DevVorin Version:", 0) != 0) {
            line += (line.empty() ? "" : " ") + part;
        }
        start = end + 1;
    }
    return line;
}

namespace {

// Why a run that did not complete ended: the last message box it showed (else its last status
// line), and the host's word on the port when it had one.
std::string FailureMessage(const Json& document, const std::string& log) {
    std::string message;
    const Json boxes = document.value("messageBoxes", Json::array());
    if (!boxes.empty()) {
        message = OneLineMessage(boxes.back().value("text", std::string()));
    } else if (const Json statuses = document.value("statuses", Json::array()); !statuses.empty()) {
        message = statuses.back().value("text", std::string());
    }
    // The port advice ("vantor-host: COM5 is /dev/ttyS4 here ..., which cannot be opened: ...").
    const std::size_t advice = log.find("vantor-host: COM");
    if (advice != std::string::npos) {
        const std::size_t end = log.find('\n', advice);
        message += (message.empty() ? "" : "; ") + log.substr(advice + 13, end - advice - 13);
    }
    if (document.value("cancel", Json()).is_object() &&
        !document["cancel"].value("honoured", true)) {
        message += std::string(message.empty() ? "" : "; ") + "the cancel came too late";
    }
    return message;
}

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    }
    return quoted + "\"";
}

// A figure as one CSV cell: texts as they are, numbers in decimal, option rows as
// "Name: cell cell; Name: cell".
std::string CsvCell(const Json& value) {
    if (value.is_string()) {
        return value.get<std::string>();
    }
    if (!value.is_array()) {
        return value.dump();
    }
    std::string cell;
    for (const Json& row : value) {
        std::string text;
        for (const auto& [column, field] : row.items()) {
            const std::string part = field.is_string() ? field.get<std::string>() : field.dump();
            if (text.empty()) {
                text = part + ":";
            } else if (!part.empty()) {
                text += " " + part;
            }
        }
        cell += (cell.empty() ? "" : "; ") + text;
    }
    return cell;
}

const char* ResultWordOfStatus(int status) {
    return status == exit_status::kCompleted   ? "completed"
           : status == exit_status::kCancelled ? "cancelled"
                                               : "failed";
}

}  // namespace

void RackRun::ReadDialog(const Json& dialog) {
    const std::string caption = dialog.value("caption", std::string());
    if (caption == "Software Version") {
        model = AfterLabel(TextOf(dialog, 1018));
        serial = TextOf(dialog, 1019);
        details["software"] = TextOf(dialog, 1017);
        details["boot"] = TextOf(dialog, 1067);
        details["radio"] = TextOf(dialog, 1077);
        details["pcbSerial"] = TextOf(dialog, 1095);
    } else if (caption == "Device Configuration") {
        model = TextOf(dialog, 5053);
        serial = TextOf(dialog, 5052);
        Json options = Json::array();
        if (const Json* list = ControlOf(dialog, 5051)) {
            const Json columns = list->value("columns", Json::array());
            for (const Json& row : list->value("rows", Json::array())) {
                Json option = Json::object();
                for (std::size_t i = 0; row.is_array() && i < row.size(); ++i) {
                    const bool named =
                        columns.is_array() && i < columns.size() && columns[i].is_string();
                    const std::string title =
                        named ? columns[i].get<std::string>() : std::to_string(i);
                    option[title] = row[i];
                }
                options.push_back(std::move(option));
            }
        }
        details["options"] = std::move(options);
    } else if (caption == "Vorin Error Log Retrieval") {
        const Json* list = ControlOf(dialog, 1041);
        details["errors"] = list != nullptr ? list->value("rows", Json::array()).size() : 0;
    }
}

void RackRun::Finish(int processStatus, int signal, bool cancelAsked) {
    state = State::kDone;
    if (document.is_object()) {
        try {
            for (const Json& dialog : document.value("dialogs", Json::array())) {
                ReadDialog(dialog);
            }
            exitStatus = document.value("exitStatus", exit_status::kFailed);
            if (exitStatus < exit_status::kCompleted || exitStatus > exit_status::kCancelled) {
                exitStatus = exit_status::kFailed;
            }
            durationMs = document.value("durationMs", durationMs);
            message = exitStatus == exit_status::kCompleted ? "" : FailureMessage(document, log);
        } catch (const Json::exception&) {
            // Not a document of this host's: the run is judged as if it had left none.
            log += "vantor-host: the run's record has fields of the wrong kind\n";
            document = Json();
        }
    }
    if (!document.is_object()) {
        FinishWithoutRecord(processStatus, signal, cancelAsked);
    }
    result = ResultWordOfStatus(exitStatus);
}

void RackRun::FinishWithoutRecord(int processStatus, int signal, bool cancelAsked) {
    // Never completed without the record that shows it; cancelled when the user cancelled (a run
    // quit at once by a second Ctrl+C) or the run said so.
    const bool cancelled = cancelAsked || (signal == 0 && processStatus == exit_status::kCancelled);
    exitStatus = cancelled ? exit_status::kCancelled : exit_status::kFailed;
    const std::string how = signal != 0 ? "was ended by signal " + std::to_string(signal)
                                        : "exited with status " + std::to_string(processStatus);
    // Its last own line says why, when it said anything.
    std::string last = log;
    while (!last.empty() && (last.back() == '\n' || last.back() == '\r')) {
        last.pop_back();
    }
    const std::size_t start = last.rfind('\n');
    last = start == std::string::npos ? last : last.substr(start + 1);
    if (last.empty() && cancelAsked) {
        last = "quit at once by a second Ctrl+C; the receiver may be left in its monitor";
    }
    message = "the run " + how + " without its record";
    message += last.empty() ? "" : ": " + last;
}

std::string RackFileStem(const RackRun& run) {
    // Never COM<N> alone, whatever the extension: on Windows that name is the port itself.
    std::string stem = "COM" + std::to_string(run.port) + "-";
    if (run.serial.empty()) {
        return stem + "unknown";
    }
    for (const char c : run.serial) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_';
        stem += plain ? c : '_';
    }
    return stem;
}

Json RackSummary(const std::vector<RackRun>& runs, int index, const std::string& name,
                 bool documents, const Json& host) {
    Json rows = Json::array();
    for (const RackRun& run : runs) {
        Json row = {{"port", run.port},
                    {"serial", run.serial},
                    {"model", run.model},
                    {"details", run.details},
                    {"result", run.result},
                    {"exitStatus", run.exitStatus},
                    {"durationMs", run.durationMs},
                    {"cpuMs", run.cpuMs < 0 ? Json() : Json(run.cpuMs)},
                    {"peakMemoryKb", run.peakMemoryKb < 0 ? Json() : Json(run.peakMemoryKb)},
                    {"message", run.message}};
        if (documents) {
            row["document"] = run.document;
        } else {
            row["document"] = run.documentFile.empty() ? Json() : Json(run.documentFile);
            row["log"] = run.logFile.empty() ? Json() : Json(run.logFile);
        }
        rows.push_back(std::move(row));
    }
    return {{"schemaVersion", 1},
            {"operation", {{"index", index}, {"name", name}}},
            {"runs", std::move(rows)},
            {"host", host},
            {"exitStatus", RackExitStatus(runs)}};
}

std::string RackSummaryCsv(const std::vector<RackRun>& runs) {
    // The operation's figures, in the order the runs first give them.
    std::vector<std::string> figures;
    for (const RackRun& run : runs) {
        for (const auto& [key, value] : run.details.items()) {
            bool known = false;
            for (const std::string& figure : figures) {
                known = known || figure == key;
            }
            if (!known) {
                figures.push_back(key);
            }
        }
    }
    std::string csv = "port,serial,model";
    for (const std::string& figure : figures) {
        csv.append(",").append(CsvField(figure));
    }
    csv += ",result,exitStatus,durationMs,cpuMs,peakMemoryKb,message\r\n";
    for (const RackRun& run : runs) {
        csv.append(std::to_string(run.port)).append(",").append(CsvField(run.serial));
        csv.append(",").append(CsvField(run.model));
        for (const std::string& figure : figures) {
            csv.append(",");
            if (run.details.contains(figure)) {
                csv.append(CsvField(CsvCell(run.details[figure])));
            }
        }
        csv.append(",").append(run.result).append(",").append(std::to_string(run.exitStatus));
        csv.append(",").append(std::to_string(run.durationMs));
        for (const std::int64_t figure : {run.cpuMs, run.peakMemoryKb}) {
            csv.append(",").append(figure < 0 ? std::string() : std::to_string(figure));
        }
        csv.append(",").append(CsvField(run.message)).append("\r\n");
    }
    return csv;
}

int RackExitStatus(const std::vector<RackRun>& runs) {
    bool cancelled = false;
    for (const RackRun& run : runs) {
        if (run.exitStatus == exit_status::kCancelled) {
            cancelled = true;
        } else if (run.exitStatus != exit_status::kCompleted) {
            return exit_status::kFailed;
        }
    }
    return cancelled ? exit_status::kCancelled : exit_status::kCompleted;
}
