#include "run_report.h"

#include <nlohmann/json.hpp>

#include "exit_status.h"

namespace {

using Json = nlohmann::ordered_json;

Json DialogJson(std::int64_t ms, const RunReport::Dialog& dialog, const std::string& answer,
                const std::string& answeredBy) {
    Json controls = Json::array();
    for (const RunReport::Control& control : dialog.controls) {
        Json entry = {{"id", control.id},
                      {"kind", control.kind},
                      {"text", control.text},
                      {"visible", control.visible}};
        if (!control.columns.empty()) {
            entry["columns"] = control.columns;
        }
        if (!control.rows.empty()) {
            entry["rows"] = control.rows;
        }
        controls.push_back(std::move(entry));
    }
    return {{"ms", ms},
            {"id", dialog.id},
            {"caption", dialog.caption},
            {"controls", std::move(controls)},
            {"answer", answer},
            {"answeredBy", answeredBy}};
}

// Texts from the plug-in are code-page bytes, not always UTF-8: replace what is not.
std::string Dump(const Json& json, int indent) {
    return json.dump(indent, ' ', false, Json::error_handler_t::replace);
}

// One line of a rack child's events: the event's name first, then its fields.
std::string EventLine(const char* event, const Json& fields) {
    Json line = {{"event", event}};
    line.update(fields);
    return Dump(line, -1);
}

Json TimedList(const auto& entries, const char* field) {
    Json list = Json::array();
    for (const auto& entry : entries) {
        list.push_back({{"ms", entry.ms}, {field, entry.text}});
    }
    return list;
}

}  // namespace

void RunReport::Begin(const std::string& pluginPath, const std::string& pluginVersion, int index,
                      const std::string& operationName, int port) {
    const std::lock_guard<ReportLock> guard(lock_);
    start_ = std::chrono::steady_clock::now();
    pluginPath_ = pluginPath;
    pluginVersion_ = pluginVersion;
    index_ = index;
    operationName_ = operationName;
    port_ = port;
    // A host that runs again starts an empty report: nothing of the run before is kept.
    statuses_.clear();
    titles_.clear();
    clipboard_.clear();
    progress_.clear();
    boxes_.clear();
    dialogs_.clear();
    cancelMs_ = -1;
    answersLeft_.clear();
}

std::int64_t RunReport::Offset() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start_)
        .count();
}

void RunReport::Status(const std::string& text) {
    const std::lock_guard<ReportLock> guard(lock_);
    statuses_.push_back({Offset(), text});
    if (listener_) {
        listener_(EventLine("status", {{"ms", statuses_.back().ms}, {"text", text}}));
    }
}

void RunReport::Progress(long value) {
    const std::lock_guard<ReportLock> guard(lock_);
    progress_.emplace_back(Offset(), value);
    if (listener_) {
        listener_(EventLine("progress", {{"ms", progress_.back().first}, {"value", value}}));
    }
}

void RunReport::Title(const std::string& text) {
    const std::lock_guard<ReportLock> guard(lock_);
    titles_.push_back({Offset(), text});
}

void RunReport::ShowBox(const std::string& text, const std::string& caption, unsigned flags,
                        const std::string& answer, const std::string& answeredBy) {
    const std::lock_guard<ReportLock> guard(lock_);
    boxes_.push_back({Offset(), text, caption, flags, answer, answeredBy});
    if (listener_) {
        listener_(EventLine("box", {{"ms", boxes_.back().ms},
                                    {"text", text},
                                    {"caption", caption},
                                    {"answer", answer},
                                    {"answeredBy", answeredBy}}));
    }
}

void RunReport::ShowDialog(const Dialog& dialog, const std::string& answer,
                           const std::string& answeredBy) {
    const std::lock_guard<ReportLock> guard(lock_);
    dialogs_.push_back({Offset(), dialog, answer, answeredBy});
    if (listener_) {
        listener_(EventLine(
            "dialog", {{"dialog", DialogJson(dialogs_.back().ms, dialog, answer, answeredBy)}}));
    }
}

void RunReport::Clipboard(const std::string& text) {
    const std::lock_guard<ReportLock> guard(lock_);
    clipboard_.push_back({Offset(), text});
}

void RunReport::Wait(std::uint32_t milliseconds) {
    const std::lock_guard<ReportLock> guard(lock_);
    if (listener_) {
        listener_(EventLine("wait", {{"ms", Offset()}, {"lengthMs", milliseconds}}));
    }
}

void RunReport::SetListener(std::function<void(const std::string& line)> listener) {
    const std::lock_guard<ReportLock> guard(lock_);
    listener_ = std::move(listener);
}

void RunReport::CancelRequested(std::chrono::steady_clock::time_point at) {
    const std::lock_guard<ReportLock> guard(lock_);
    const std::int64_t ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(at - start_).count();
    if (cancelMs_ < 0 || ms < cancelMs_) {
        cancelMs_ = ms;
    }
}

void RunReport::End(int result, int exitStatus, const std::vector<std::string>& answersLeft) {
    const std::lock_guard<ReportLock> guard(lock_);
    result_ = result;
    exitStatus_ = exitStatus;
    durationMs_ = Offset();
    answersLeft_ = answersLeft;
}

bool RunReport::CancelTooLate() const {
    const std::lock_guard<ReportLock> guard(lock_);
    return cancelMs_ >= 0 && ExitStatusOf(result_) != exit_status::kCancelled;
}

std::vector<std::string> RunReport::AnswersLeft() const {
    const std::lock_guard<ReportLock> guard(lock_);
    return answersLeft_;
}

std::string RunReport::ToJson(bool oneLine) const {
    const std::lock_guard<ReportLock> guard(lock_);
    Json progress = Json::array();
    for (const auto& [ms, value] : progress_) {
        progress.push_back({{"ms", ms}, {"value", value}});
    }
    Json boxes = Json::array();
    for (const Box& box : boxes_) {
        boxes.push_back({{"ms", box.ms},
                         {"text", box.text},
                         {"caption", box.caption},
                         {"flags", box.flags},
                         {"answer", box.answer},
                         {"answeredBy", box.answeredBy}});
    }
    Json dialogs = Json::array();
    for (const ShownDialog& shown : dialogs_) {
        dialogs.push_back(DialogJson(shown.ms, shown.dialog, shown.answer, shown.answeredBy));
    }
    Json cancel = nullptr;
    if (cancelMs_ >= 0) {
        cancel = {{"ms", cancelMs_},
                  {"honoured", ExitStatusOf(result_) == exit_status::kCancelled}};
    }
    const Json document = {
        {"schemaVersion", kSchemaVersion},
        {"plugin", {{"path", pluginPath_}, {"version", pluginVersion_}}},
        {"operation", {{"index", index_}, {"name", operationName_}}},
        {"port", port_},
        {"statuses", TimedList(statuses_, "text")},
        {"progress", std::move(progress)},
        {"titles", TimedList(titles_, "text")},
        {"messageBoxes", std::move(boxes)},
        {"dialogs", std::move(dialogs)},
        {"clipboard", TimedList(clipboard_, "text")},
        {"result", {{"code", result_}, {"meaning", ResultWord(result_)}}},
        {"exitStatus", exitStatus_},
        {"durationMs", durationMs_},
        {"cancel", std::move(cancel)},
        {"answersLeft", answersLeft_},
    };
    return Dump(document, oneLine ? -1 : 2) + "\n";
}

RunReport& HostRunReport() {
    static RunReport report;
    return report;
}
