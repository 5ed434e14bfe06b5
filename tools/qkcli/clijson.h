// A small writer of one-line JSON objects for qkcli's machine-readable output.
#pragma once

#include <cstdint>
#include <string>

class clJsonObject {
public:
    clJsonObject& Add(const std::string& key, const std::string& value);
    clJsonObject& Add(const std::string& key, const char* value);
    clJsonObject& Add(const std::string& key, std::int64_t value);
    clJsonObject& Add(const std::string& key, int value) { return Add(key, static_cast<std::int64_t>(value)); }
    clJsonObject& Add(const std::string& key, unsigned value) { return Add(key, static_cast<std::int64_t>(value)); }
    clJsonObject& Add(const std::string& key, double value);
    clJsonObject& AddBool(const std::string& key, bool value);
    clJsonObject& AddNull(const std::string& key);
    // value is already JSON (an object or an array).
    clJsonObject& AddRaw(const std::string& key, const std::string& value);
    std::string Text() const { return "{" + m_sBody + "}"; }

private:
    void Key(const std::string& key);
    std::string m_sBody;
};

// A JSON array built element by element.
class clJsonArray {
public:
    clJsonArray& Add(const clJsonObject& item) { return AddRaw(item.Text()); }
    clJsonArray& AddRaw(const std::string& json)
    {
        m_sBody += (m_sBody.empty() ? "" : ",") + json;
        return *this;
    }
    std::string Text() const { return "[" + m_sBody + "]"; }

private:
    std::string m_sBody;
};

// A JSON string literal of text: UTF-8 passes through, only what JSON
// requires is escaped; text that is not UTF-8 is taken as Windows-1252.
std::string QkJsonString(const std::string& text);
// Text as UTF-8 for a terminal: UTF-8 (file names) as it is, anything else
// taken as Windows-1252 (the system's own texts).
std::string QkToUtf8(const std::string& text);
// Whether text is well-formed UTF-8 (plain ASCII included).
bool QkIsUtf8(const std::string& text);
