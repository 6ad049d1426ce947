#include "engine/replay.h"

#include <algorithm>

#include <nlohmann/json.hpp>

namespace sim {
namespace {

// Host bytes kept while looking for the next frame: more than any frame of either protocol.
constexpr std::size_t kInboxLimit = 128 * 1024;

std::string LineText(std::size_t lineNumber) {
    return "trace line " + std::to_string(lineNumber);
}

Bytes FromHex(const std::string& hex, std::size_t lineNumber) {
    auto nibble = [lineNumber](char c) -> std::uint8_t {
        if (c >= '0' && c <= '9') {
            return static_cast<std::uint8_t>(c - '0');
        }
        if (c >= 'A' && c <= 'F') {
            return static_cast<std::uint8_t>(c - 'A' + 10);
        }
        if (c >= 'a' && c <= 'f') {
            return static_cast<std::uint8_t>(c - 'a' + 10);
        }
        throw ReplayError(LineText(lineNumber) + ": bad hex digit");
    };
    if (hex.size() % 2 != 0) {
        throw ReplayError(LineText(lineNumber) + ": odd hex length");
    }
    Bytes bytes;
    bytes.reserve(hex.size() / 2);
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        bytes.push_back(static_cast<std::uint8_t>((nibble(hex[i]) << 4) | nibble(hex[i + 1])));
    }
    return bytes;
}

// The fields the replay reads, checked before they are read: a field of the wrong type is a
// bad line like any other, never a library error. Absent fields read as empty (0 for "ms").
std::string TextField(const nlohmann::json& event, const char* name, std::size_t lineNumber) {
    const auto field = event.find(name);
    if (field == event.end()) {
        return {};
    }
    if (!field->is_string()) {
        throw ReplayError(LineText(lineNumber) + ": \"" + name + "\" is not a text");
    }
    return field->get<std::string>();
}

std::uint64_t MsField(const nlohmann::json& event, std::size_t lineNumber) {
    const auto field = event.find("ms");
    if (field == event.end()) {
        return 0;
    }
    if (!field->is_number_unsigned()) {
        throw ReplayError(LineText(lineNumber) + ": \"ms\" is not a whole number of milliseconds");
    }
    return field->get<std::uint64_t>();
}

// How far past the expected frame the host may have moved on (retransmissions it did not need).
constexpr std::size_t kLookAhead = 64;

}  // namespace

Replay Replay::FromTrace(const std::string& text) {
    std::vector<Turn> turns;
    std::uint64_t frameMs = 0;
    std::size_t lineNumber = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (line.find_first_not_of(" \t\r") == std::string::npos) {
            continue;
        }
        const nlohmann::json event = nlohmann::json::parse(line, nullptr, false);
        if (event.is_discarded() || !event.is_object()) {
            throw ReplayError(LineText(lineNumber) + ": not a JSON object");
        }
        const std::string kind = TextField(event, "event", lineNumber);
        const std::uint64_t ms = MsField(event, lineNumber);
        if (kind == "frame" && TextField(event, "from", lineNumber) == "host") {
            turns.push_back({FromHex(TextField(event, "hex", lineNumber), lineNumber), {}});
            frameMs = ms;
        } else if (kind == "read") {
            // Read even before the first host frame, where it answers nothing: a bad line is
            // bad wherever it stands.
            Bytes bytes = FromHex(TextField(event, "hex", lineNumber), lineNumber);
            if (!turns.empty()) {
                turns.back().answers.push_back({ms > frameMs ? ms - frameMs : 0, std::move(bytes)});
            }
        }
    }
    if (turns.empty()) {
        throw ReplayError("the trace holds no frame from the host");
    }
    return Replay(std::move(turns));
}

void Replay::Receive(const std::uint8_t* data, std::size_t size, std::uint64_t nowMs) {
    inbox_.insert(inbox_.end(), data, data + size);
    Match(nowMs);
    if (inbox_.size() > kInboxLimit) {
        inbox_.erase(inbox_.begin(),
                     inbox_.begin() + static_cast<std::ptrdiff_t>(inbox_.size() - kInboxLimit));
    }
}

void Replay::Match(std::uint64_t nowMs) {
    // The next frame of the trace, or else the first later one that has come.
    for (std::size_t turn = next_; turn < turns_.size() && turn < next_ + kLookAhead; ++turn) {
        const Bytes& frame = turns_[turn].hostFrame;
        const auto found = std::search(inbox_.begin(), inbox_.end(), frame.begin(), frame.end());
        if (found == inbox_.end()) {
            continue;
        }
        inbox_.erase(inbox_.begin(), found + static_cast<std::ptrdiff_t>(frame.size()));
        skipped_ += static_cast<int>(turn - next_);
        ++answered_;
        next_ = turn + 1;
        for (const Turn::Answer& answer : turns_[turn].answers) {
            due_.push_back({nowMs + answer.delayMs, answer.bytes});
        }
        std::stable_sort(due_.begin(), due_.end(),
                         [](const Due& a, const Due& b) { return a.at < b.at; });
        turn = next_ - 1;  // look for a further frame in what is left
    }
}

Bytes Replay::TransmitAll(std::uint64_t nowMs) {
    Bytes out;
    while (!due_.empty() && due_.front().at <= nowMs) {
        out.insert(out.end(), due_.front().bytes.begin(), due_.front().bytes.end());
        due_.pop_front();
    }
    return out;
}

std::optional<std::uint64_t> Replay::NextEventMs() const {
    if (due_.empty()) {
        return std::nullopt;
    }
    return due_.front().at;
}

}  // namespace sim
