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

bool QkIsUtf8(const std::string& text)
{
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        // The number of continuation bytes and the least code point they may
        // form (no overlong forms, nothing past U+10FFFF, no surrogates).
        std::size_t more = 0;
        std::uint32_t code = 0, least = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        }
        if (lead >= 0xC2 && lead <= 0xDF) {
            more = 1;
            code = lead & 0x1F;
            least = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            more = 2;
            code = lead & 0x0F;
            least = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            more = 3;
            code = lead & 0x07;
            least = 0x10000;
        } else {
            return false;
        }
        if (text.size() - i <= more)
            return false;
        for (std::size_t k = 1; k <= more; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = code << 6 | (next & 0x3F);
        }
        if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += more + 1;
    }
    return true;
}

std::string QkToUtf8(const std::string& text)
{
    if (QkIsUtf8(text))
        return text;
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
