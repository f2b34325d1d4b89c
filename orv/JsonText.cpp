#include "orv/JsonText.h"

#include "orv/Packet.h"

#include <charconv>
#include <cstdint>
#include <iterator>

namespace orv {

using Json = nlohmann::json;

bool JsonTextReader::Read(Json& out, bool keepPacket) {
    SkipSpace();
    if (!Value(out, 0, keepPacket ? 1 : 0)) return false;
    SkipSpace();
    return p_ == end_;
}

bool JsonTextReader::Value(Json& out, int depth, int keep) {
    if (p_ == end_) return false;
    switch (*p_) {
    case '"': {
        std::string text;
        if (!String(text)) return false;
        out = Json(std::move(text));
        return true;
    }
    case '[': return Array(out, depth);
    case '{': return Object(out, depth, keep);
    case 't': return Word("true") && (out = true, true);
    case 'f': return Word("false") && (out = false, true);
    case 'n': return Word("null") && (out = nullptr, true);
    default: return Number(out);
    }
}

bool JsonTextReader::Word(std::string_view word) {
    if (static_cast<size_t>(end_ - p_) < word.size() || std::string_view(p_, word.size()) != word) return false;
    p_ += word.size();
    return true;
}

bool JsonTextReader::Array(Json& out, int depth) {
    if (depth >= kMaxDepth) return false;
    ++p_;
    // The items gather in this depth's scratch list, then move into an array of their size.
    std::vector<Json>& items = scratch_[static_cast<size_t>(depth)];
    items.clear();
    SkipSpace();
    if (p_ < end_ && *p_ == ']') {
        ++p_;
        out = Json::array();
        return true;
    }
    for (;;) {
        SkipSpace();
        items.emplace_back();
        if (!Value(items.back(), depth + 1)) return false;
        SkipSpace();
        if (p_ == end_) return false;
        if (*p_ == ']') break;
        if (*p_ != ',') return false;
        ++p_;
    }
    ++p_;
    Json::array_t array(std::make_move_iterator(items.begin()), std::make_move_iterator(items.end()));
    items.clear();
    out = Json(std::move(array));
    return true;
}

bool JsonTextReader::Object(Json& out, int depth, int keep) {
    if (depth >= kMaxDepth) return false;
    ++p_;
    Json::object_t object;
    SkipSpace();
    if (p_ < end_ && *p_ == '}') {
        ++p_;
        out = Json(std::move(object));
        return true;
    }
    for (;;) {
        SkipSpace();
        if (p_ == end_ || *p_ != '"') return false;
        std::string key;
        if (!String(key)) return false;
        SkipSpace();
        if (p_ == end_ || *p_ != ':') return false;
        ++p_;
        SkipSpace();
        Json value;
        if (keep == 2 && key == "value" && p_ < end_ && *p_ == '{') {
            const char* from = p_;
            if (!SkipValue()) return false;
            kept_ = std::string_view(from, size_t(p_ - from));
        } else if (!Value(value, depth + 1, keep == 1 && key == "result" ? 2 : 0)) {
            return false;
        }
        // A repeated key keeps its last value, as Json::parse does.
        object.insert_or_assign(std::move(key), std::move(value));
        SkipSpace();
        if (p_ == end_) return false;
        if (*p_ == '}') break;
        if (*p_ != ',') return false;
        ++p_;
    }
    ++p_;
    out = Json(std::move(object));
    return true;
}

bool JsonTextReader::String(std::string& out) {
    ++p_;
    const char* run = p_;
    while (p_ < end_) {
        const auto c = static_cast<unsigned char>(*p_);
        if (c == '"') {
            // Built in one go when there was no escape, the usual case.
            if (out.empty())
                out = std::string(run, p_);
            else
                out.append(run, p_);
            ++p_;
            return true;
        }
        if (c < 0x20) return false;
        if (c == '\\') {
            out.append(run, p_);
            if (!Escape(out)) return false;
            run = p_;
            continue;
        }
        if (c < 0x80) {
            ++p_;
            continue;
        }
        const int length = Utf8Length();
        if (length == 0) return false;
        p_ += length;
    }
    return false;
}

// The length of the well-formed UTF-8 sequence at p_, 0 when it is not one (RFC 3629).
int JsonTextReader::Utf8Length() const {
    const auto* s = reinterpret_cast<const unsigned char*>(p_);
    const auto left = end_ - p_;
    auto in = [&](int i, unsigned char low, unsigned char high) { return i < left && s[i] >= low && s[i] <= high; };
    const unsigned char c = s[0];
    if (c >= 0xC2 && c <= 0xDF) return in(1, 0x80, 0xBF) ? 2 : 0;
    if (c == 0xE0) return in(1, 0xA0, 0xBF) && in(2, 0x80, 0xBF) ? 3 : 0;
    if ((c >= 0xE1 && c <= 0xEC) || c == 0xEE || c == 0xEF) return in(1, 0x80, 0xBF) && in(2, 0x80, 0xBF) ? 3 : 0;
    if (c == 0xED) return in(1, 0x80, 0x9F) && in(2, 0x80, 0xBF) ? 3 : 0;
    if (c == 0xF0) return in(1, 0x90, 0xBF) && in(2, 0x80, 0xBF) && in(3, 0x80, 0xBF) ? 4 : 0;
    if (c >= 0xF1 && c <= 0xF3) return in(1, 0x80, 0xBF) && in(2, 0x80, 0xBF) && in(3, 0x80, 0xBF) ? 4 : 0;
    if (c == 0xF4) return in(1, 0x80, 0x8F) && in(2, 0x80, 0xBF) && in(3, 0x80, 0xBF) ? 4 : 0;
    return 0;
}

bool JsonTextReader::Escape(std::string& out) {
    if (end_ - p_ < 2) return false;
    const char kind = p_[1];
    p_ += 2;
    switch (kind) {
    case '"': out.push_back('"'); return true;
    case '\\': out.push_back('\\'); return true;
    case '/': out.push_back('/'); return true;
    case 'b': out.push_back('\b'); return true;
    case 'f': out.push_back('\f'); return true;
    case 'n': out.push_back('\n'); return true;
    case 'r': out.push_back('\r'); return true;
    case 't': out.push_back('\t'); return true;
    case 'u': break;
    default: return false;
    }
    int code = Hex4();
    if (code < 0 || (code >= 0xDC00 && code <= 0xDFFF)) return false;
    if (code >= 0xD800 && code <= 0xDBFF) {
        if (end_ - p_ < 2 || p_[0] != '\\' || p_[1] != 'u') return false;
        p_ += 2;
        const int low = Hex4();
        if (low < 0xDC00 || low > 0xDFFF) return false;
        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
    }
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (code >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
    return true;
}

int JsonTextReader::Hex4() {
    if (end_ - p_ < 4) return -1;
    int code = 0;
    for (int i = 0; i < 4; ++i) {
        const char c = p_[i];
        int digit;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        else return -1;
        code = code * 16 + digit;
    }
    p_ += 4;
    return code;
}

bool JsonTextReader::Number(Json& out) {
    const char* start = p_;
    auto digits = [this] {
        const char* from = p_;
        while (p_ < end_ && *p_ >= '0' && *p_ <= '9') ++p_;
        return p_ > from;
    };
    const bool negative = *p_ == '-';
    if (negative) ++p_;
    if (p_ == end_) return false;
    if (*p_ == '0') {
        ++p_;
    } else if (!digits()) {
        return false;
    }
    bool integral = true;
    if (p_ < end_ && *p_ == '.') {
        integral = false;
        ++p_;
        if (!digits()) return false;
    }
    if (p_ < end_ && (*p_ == 'e' || *p_ == 'E')) {
        integral = false;
        ++p_;
        if (p_ < end_ && (*p_ == '+' || *p_ == '-')) ++p_;
        if (!digits()) return false;
    }
    // As Json::parse: unsigned without a sign, signed with one, double with a fraction or an
    // exponent; an integer out of its range is left to Json::parse (which reads it as double).
    if (integral && negative) {
        std::int64_t value = 0;
        const auto [end, error] = std::from_chars(start, p_, value);
        if (error != std::errc() || end != p_) return false;
        out = value;
    } else if (integral) {
        std::uint64_t value = 0;
        const auto [end, error] = std::from_chars(start, p_, value);
        if (error != std::errc() || end != p_) return false;
        out = value;
    } else {
        double value = 0;
        const auto [end, error] = std::from_chars(start, p_, value);
        if (error != std::errc() || end != p_) return false;
        out = value;
    }
    return true;
}

namespace {

// Bytes a scan stops at: in a string, its end, an escape or a control character; outside, a
// string or a bracket.
struct Stops {
    bool inString[256] = {};
    bool outside[256] = {};
    constexpr Stops() {
        for (int c = 0; c < 0x20; ++c) inString[c] = true;
        inString[int('"')] = inString[int('\\')] = true;
        for (const char c : {'"', '{', '}', '[', ']'}) outside[static_cast<unsigned char>(c)] = true;
    }
};
constexpr Stops kStops;

}  // namespace

bool JsonTextReader::IsUtf8(std::string_view text) {
    JsonTextReader in(text);
    while (in.p_ < in.end_) {
        if (static_cast<unsigned char>(*in.p_) < 0x80) {
            ++in.p_;
            continue;
        }
        const int length = in.Utf8Length();
        if (length == 0) return false;
        in.p_ += length;
    }
    return true;
}

bool JsonTextReader::StringView(std::string_view& out, std::string& scratch, bool* ascii) {
    const char* from = p_;
    const auto* q = reinterpret_cast<const unsigned char*>(p_ + 1);
    const auto* end = reinterpret_cast<const unsigned char*>(end_);
    unsigned char high = 0;
    while (q < end && !kStops.inString[*q]) high |= *q++;
    if (q < end && *q == '"') {
        out = std::string_view(from + 1, size_t(reinterpret_cast<const char*>(q) - from - 1));
        // Checked as String checks it, unless the caller checks the texts it has not seen before.
        if (ascii) *ascii = high < 0x80;
        else if (high >= 0x80 && !IsUtf8(out)) return false;
        p_ = reinterpret_cast<const char*>(q) + 1;
        return true;
    }
    if (q >= end || *q != '\\') return false;
    p_ = from;
    scratch.clear();
    if (!String(scratch)) return false;
    out = scratch;
    if (ascii) *ascii = true;  // String has checked it
    return true;
}

bool JsonTextReader::SkipValue() {
    if (p_ == end_ || (*p_ != '{' && *p_ != '[')) return false;
    const auto* q = reinterpret_cast<const unsigned char*>(p_);
    const auto* end = reinterpret_cast<const unsigned char*>(end_);
    int depth = 0;
    while (q < end) {
        const unsigned char c = *q++;
        if (c == '"') {
            for (;;) {
                while (q < end && *q != '"' && *q != '\\') ++q;
                if (q >= end) return false;
                if (*q == '"') break;
                q += 2;
            }
            ++q;
        } else if (c == '{' || c == '[') {
            ++depth;
        } else if (c == '}' || c == ']') {
            if (--depth == 0) {
                p_ = reinterpret_cast<const char*>(q);
                return true;
            }
        }
        while (q < end && !kStops.outside[*q]) ++q;
    }
    return false;
}

Json ParseJsonText(std::vector<std::uint8_t>&& text, bool keepPacket) {
    Json out;
    JsonTextReader reader(std::string_view(reinterpret_cast<const char*>(text.data()), text.size()));
    if (!reader.Read(out, keepPacket)) return Json::parse(text.begin(), text.end());
    if (const std::string_view kept = reader.Kept(); !kept.empty()) {
        // The packet's bytes move to the front of the buffer, which becomes the packet.
        const auto from = static_cast<size_t>(kept.data() - reinterpret_cast<const char*>(text.data()));
        text.erase(text.begin() + std::ptrdiff_t(from + kept.size()), text.end());
        text.erase(text.begin(), text.begin() + std::ptrdiff_t(from));
        out["result"]["value"] = PacketFromBytes(std::move(text));
    }
    return out;
}

}  // namespace orv
