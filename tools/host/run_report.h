#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

// Guards the report's few short updates. The win32 thread model of the mingw-w64 compilers has
// no std::mutex, so this is a spin lock on an atomic flag.
class ReportLock {
  public:
    void lock() {
        while (flag_.test_and_set(std::memory_order_acquire)) {
        }
    }
    void unlock() { flag_.clear(std::memory_order_release); }

  private:
    std::atomic_flag flag_;
};

// Everything one run showed its user, gathered by the platform's host UI while the run goes on
// and written as one JSON document by `vantor-host run --json` (schema in README.md). Calls may
// come from the dialog reader's thread on Windows, so each one takes the lock.
class RunReport {
  public:
    struct Control {
        int id = 0;
        std::string kind;  // static, edit, button, listbox, listview (or the window class)
        std::string text;
        bool visible = true;
        std::vector<std::string> columns;            // list view column titles
        std::vector<int> columnWidths;               // their widths in pixels (not in the JSON)
        std::vector<std::vector<std::string>> rows;  // list rows (one cell for a list box)
    };
    struct Dialog {
        int id = 0;  // template id; 0 where the platform cannot tell
        std::string caption;
        std::vector<Control> controls;
    };

    // Sets the time origin of every offset and what the run is about, and forgets any run
    // before.
    void Begin(const std::string& pluginPath, const std::string& pluginVersion, int index,
               const std::string& operationName, int port);
    void Status(const std::string& text);
    void Progress(long value);
    void Title(const std::string& text);
    // flags: the MB_ flags asked for (on Windows, as far as the box's buttons show them);
    // answeredBy: the source of the answer (SourceWord).
    void ShowBox(const std::string& text, const std::string& caption, unsigned flags,
                 const std::string& answer, const std::string& answeredBy);
    // One entry each time the host acts on a dialog: its controls as shown, then the answer.
    void ShowDialog(const Dialog& dialog, const std::string& answer, const std::string& answeredBy);
    void Clipboard(const std::string& text);
    // The plug-in started a fixed wait (not kept in the document; only said to the listener).
    void Wait(std::uint32_t milliseconds);
    // The user asked to cancel (the first Ctrl+C, or the --cancel-after time); the earliest
    // request is kept.
    void CancelRequested(std::chrono::steady_clock::time_point at);
    // answersLeft: the scripted answers that nothing asked for.
    void End(int result, int exitStatus, const std::vector<std::string>& answersLeft);

    // A cancel was asked for and the run still did not end cancelled.
    bool CancelTooLate() const;
    std::vector<std::string> AnswersLeft() const;

    // The JSON document (two-space indent, one trailing newline; oneLine: on a single line, as
    // the last line of a rack child's events).
    std::string ToJson(bool oneLine = false) const;

    // A rack's child: each status, progress value, wait, box and dialog is also handed, as it
    // comes, to listener as one JSON line ({"event": "status", "ms": ..., "text": ...}, ...;
    // README.md), under the report's lock, so lines from two threads never mix.
    void SetListener(std::function<void(const std::string& line)> listener);

    // The version of the document's layout, written as its "schemaVersion".
    static constexpr int kSchemaVersion = 1;

  private:
    struct Timed {
        std::int64_t ms;
        std::string text;
    };
    struct Box {
        std::int64_t ms;
        std::string text, caption;
        unsigned flags;
        std::string answer, answeredBy;
    };
    struct ShownDialog {
        std::int64_t ms;
        Dialog dialog;
        std::string answer, answeredBy;
    };

    std::int64_t Offset() const;

    mutable ReportLock lock_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::string pluginPath_, pluginVersion_, operationName_;
    int index_ = -1;
    int port_ = 0;
    std::vector<Timed> statuses_, titles_, clipboard_;
    std::vector<std::pair<std::int64_t, long>> progress_;
    std::vector<Box> boxes_;
    std::vector<ShownDialog> dialogs_;
    int result_ = 0;
    int exitStatus_ = 1;
    std::int64_t durationMs_ = 0;
    std::int64_t cancelMs_ = -1;  // -1: no cancel asked for
    std::vector<std::string> answersLeft_;
    std::function<void(const std::string&)> listener_;
};

// The report of this host's run.
RunReport& HostRunReport();
