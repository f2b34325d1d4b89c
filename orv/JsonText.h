#pragma once

#include <nlohmann/json.hpp>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

// Reads a JSON text into the same document Json::parse builds, in about half its time on the
// answers that carry a long list (ten thousand rows of fifty fields make five megabytes).
// Whatever it is not sure to read exactly as Json::parse does (a lone surrogate, a number out of
// range, deep nesting, malformed text) makes it give up, and the text goes to Json::parse.
// It also reads token by token, for a reader that builds its own values (a data set's rows).
class JsonTextReader {
public:
    using Json = nlohmann::json;

    explicit JsonTextReader(std::string_view text) : p_(text.data()), end_(text.data() + text.size()) {}

    // The whole text as one document. With `keepPacket`, an object under "result"."value" of the
    // top object is not read: it is left null, and Kept() tells where its text is.
    bool Read(Json& out, bool keepPacket = false);
    std::string_view Kept() const { return kept_; }

    void SkipSpace() {
        while (p_ < end_ && (*p_ == ' ' || *p_ == '\n' || *p_ == '\r' || *p_ == '\t')) ++p_;
    }
    // The next character after any space; '\0' at the end.
    char Peek() {
        SkipSpace();
        return p_ < end_ ? *p_ : '\0';
    }
    // Takes `c` after any space; false (nothing taken) when something else comes.
    bool Take(char c) {
        if (Peek() != c) return false;
        ++p_;
        return true;
    }
    bool Word(std::string_view word);
    bool String(std::string& out);
    // A string's text: a view into the document when it has no escape (the usual case), else
    // decoded into `scratch`. Given `ascii`, a text outside ASCII is not checked for well-formed
    // UTF-8 (`ascii` is then false): the caller checks with IsUtf8 the texts it has not met before.
    bool StringView(std::string_view& out, std::string& scratch, bool* ascii = nullptr);
    static bool IsUtf8(std::string_view text);
    bool Number(Json& out);
    // Passes over one value, strings and nesting respected, without checking what it holds.
    bool SkipValue();
    const char* Position() const { return p_; }

private:
    static constexpr int kMaxDepth = 32;

    bool Value(Json& out, int depth, int keep = 0);
    bool Array(Json& out, int depth);
    bool Object(Json& out, int depth, int keep);
    int Utf8Length() const;
    bool Escape(std::string& out);
    int Hex4();

    const char* p_;
    const char* end_;
    std::string_view kept_;
    std::array<std::vector<Json>, kMaxDepth> scratch_;
};

// An answer read with JsonTextReader, or with Json::parse when it gives up. With `keepPacket`, the
// packet under "result"."value" stays the text it came in (PacketFromText), in the answer's own
// buffer: the data set that loads it reads it then, with no document in between.
nlohmann::json ParseJsonText(std::vector<std::uint8_t>&& text, bool keepPacket = false);

}  // namespace orv
