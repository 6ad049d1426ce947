#include "run_report.h"

#include <nlohmann/json.hpp>

#include "exit_status.h"

namespace {

using Json = nlohmann::ordered_json;

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
}

void RunReport::Progress(long value) {
    const std::lock_guard<ReportLock> guard(lock_);
    progress_.emplace_back(Offset(), value);
}

void RunReport::Title(const std::string& text) {
    const std::lock_guard<ReportLock> guard(lock_);
    titles_.push_back({Offset(), text});
}

void RunReport::ShowBox(const std::string& text, const std::string& caption, unsigned flags,
                        const std::string& answer, const std::string& answeredBy) {
    const std::lock_guard<ReportLock> guard(lock_);
    boxes_.push_back({Offset(), text, caption, flags, answer, answeredBy});
}

void RunReport::ShowDialog(const Dialog& dialog, const std::string& answer,
                           const std::string& answeredBy) {
    const std::lock_guard<ReportLock> guard(lock_);
    dialogs_.push_back({Offset(), dialog, answer, answeredBy});
}

void RunReport::Clipboard(const std::string& text) {
    const std::lock_guard<ReportLock> guard(lock_);
    clipboard_.push_back({Offset(), text});
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

std::string RunReport::ToJson() const {
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
        Json controls = Json::array();
        for (const Control& control : shown.dialog.controls) {
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
        dialogs.push_back({{"ms", shown.ms},
                           {"id", shown.dialog.id},
                           {"caption", shown.dialog.caption},
                           {"controls", std::move(controls)},
                           {"answer", shown.answer},
                           {"answeredBy", shown.answeredBy}});
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
    // Texts from the plug-in are code-page bytes, not always UTF-8: replace what is not.
    return document.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

RunReport& HostRunReport() {
    static RunReport report;
    return report;
}
