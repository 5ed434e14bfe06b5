#include "tools/qkcli/clijson.h"

#include <cmath>
#include <cstdio>

clJsonObject& clJsonObject::Add(const std::string& key, const std::string& value)
{
    Key(key);
    m_sBody += QkJsonString(value);
    return *this;
}

clJsonObject& clJsonObject::Add(const std::string& key, const char* value)
{
    return Add(key, std::string(value != nullptr ? value : ""));
}

clJsonObject& clJsonObject::Add(const std::string& key, std::int64_t value)
{
    Key(key);
    m_sBody += std::to_string(value);
    return *this;
}

clJsonObject& clJsonObject::Add(const std::string& key, double value)
{
    Key(key);
    char text[64];
    std::snprintf(text, sizeof text, "%.3f", std::isfinite(value) ? value : 0.0);
    m_sBody += text;
    return *this;
}

clJsonObject& clJsonObject::AddBool(const std::string& key, bool value)
{
    Key(key);
    m_sBody += value ? "true" : "false";
    return *this;
}

clJsonObject& clJsonObject::AddNull(const std::string& key)
{
    Key(key);
    m_sBody += "null";
    return *this;
}

clJsonObject& clJsonObject::AddRaw(const std::string& key, const std::string& value)
{
    Key(key);
    m_sBody += value;
    return *this;
}

void clJsonObject::Key(const std::string& key)
{
    if (!m_sBody.empty())
        m_sBody += ",";
    m_sBody += QkJsonString(key) + ":";
}

std::string QkToUtf8(const std::string& text)
{
    // The bytes 0x80..0x9F of Windows-1252 that differ from Latin-1 do not
    // occur in our texts; the rest maps one to one onto U+0080..U+00FF.
    std::string out;
    for (unsigned char c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string QkJsonString(const std::string& text)
{
    std::string out = "\"";
    for (char ch : QkToUtf8(text)) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                out += escaped;
            } else {
                out += ch;
            }
        }
    }
    return out + "\"";
}
