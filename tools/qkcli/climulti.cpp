// A device command on several programmers at once: one qkcli per port, run
// in parallel, each with its own connection and result. A line per port as
// each ends, then a summary; the exit status is the worst port's.
#include "tools/qkcli/climulti.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "tools/qkcli/clichild.h"
#include "tools/qkcli/clicomm.h"
#include "tools/qkcli/commands.h"

namespace {

// The value of key in one of qkcli's own JSON objects: a string unquoted,
// anything else as written; "" when absent or null.
std::string JsonValue(const std::string& json, const std::string& key, std::size_t from = 0)
{
    const std::string marker = "\"" + key + "\":";
    const std::size_t at = json.find(marker, from);
    if (at == std::string::npos)
        return {};
    std::size_t i = at + marker.size();
    if (i >= json.size() || json[i] != '"') {
        const std::size_t end = json.find_first_of(",}", i);
        const std::string raw = json.substr(i, end == std::string::npos ? std::string::npos : end - i);
        return raw == "null" ? std::string() : raw;
    }
    std::string text;
    for (++i; i < json.size() && json[i] != '"'; ++i) {
        if (json[i] == '\\' && i + 1 < json.size()) {
            const char c = json[++i];
            text += c == 'n' ? '\n' : c == 't' ? '\t' : c == 'u' ? '?' : c;
            if (c == 'u')
                i += 4;
        } else {
            text += json[i];
        }
    }
    return text;
}

// The arguments of one port's qkcli: the command's own, without the ports
// and the output choices, then the port and JSON.
std::vector<std::string> ChildArgs(const char* command, int argc, char** argv, int first, const std::string& port)
{
    std::vector<std::string> args{command};
    for (int i = first; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--port") {
            ++i;
            continue;
        }
        if (arg.rfind("--port=", 0) == 0 || arg == "--scan" || arg == "--json" || arg == "--json-events" ||
            arg == "--quiet")
            continue;
        args.push_back(arg);
    }
    args.insert(args.end(), {"--port", port, "--json"});
    return args;
}

std::string FirstLine(const std::string& text)
{
    return text.substr(0, text.find('\n'));
}

// "COM3  PCD80710  ok  checksum 1A2B  serial 5001  1.4 s", with the error's
// text when the port did not end well.
std::string PortLine(const std::string& port, const clCliChild& child)
{
    const std::string json = FirstLine(child.Out());
    if (json.empty() || json[0] != '{') {
        const std::string why = FirstLine(child.Err());
        return port + "  error (exit " + std::to_string(child.ExitStatus()) + ")" + (why.empty() ? "" : ": " + why);
    }
    std::string line = port + "  " + JsonValue(json, "device") + "  " + JsonValue(json, "result");
    if (const std::string sum = JsonValue(json, "checksum"); !sum.empty())
        line += "  checksum " + sum;
    if (const std::size_t serial = json.find("\"serial\":{"); serial != std::string::npos)
        line += "  serial " + JsonValue(json, "value", serial);
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "  %.1f s", std::atof(JsonValue(json, "elapsed_seconds").c_str()));
    line += seconds;
    if (const std::string error = JsonValue(json, "error_text"); !error.empty())
        line += "  " + FirstLine(error);
    return line;
}

} // namespace

std::vector<std::string> QkFindProgrammers(const std::vector<std::string>& ports)
{
    // Each port asked at once: a port without a programmer costs its
    // connect time-out only once.
    std::vector<std::unique_ptr<clCliChild>> children;
    std::vector<std::string> asked;
    for (const std::string& port : ports) {
        auto child = std::make_unique<clCliChild>();
        std::string error;
        if (child->Start({"versions", "--port", port, "--json"}, error)) {
            children.push_back(std::move(child));
            asked.push_back(port);
        }
    }
    const auto ended = [&] {
        return std::all_of(children.begin(), children.end(), [](const auto& c) { return c->HasEnded(); });
    };
    while (!ended())
        QkPollChildren(children, 200);
    std::vector<std::string> found;
    for (std::size_t i = 0; i < children.size(); ++i)
        if (children[i]->ExitStatus() == exitOk && JsonValue(children[i]->Out(), "connected") == "true")
            found.push_back(asked[i]);
    return found;
}

int QkRunOnPorts(const char* command, int argc, char** argv, int first, const std::vector<std::string>& ports,
                 bool json, bool quiet)
{
    clCliInterrupt interrupt;
    std::vector<std::unique_ptr<clCliChild>> children;
    std::vector<std::string> running;
    int worst = exitOk;
    int ok = 0;
    for (const std::string& port : ports) {
        auto child = std::make_unique<clCliChild>();
        std::string error;
        if (!child->Start(ChildArgs(command, argc, argv, first, port), error)) {
            std::fprintf(stderr, "qkcli %s: %s: %s\n", command, port.c_str(), error.c_str());
            worst = std::max(worst, int{exitUsage});
            continue;
        }
        children.push_back(std::move(child));
        running.push_back(port);
    }
    std::vector<bool> reported(children.size(), false);
    bool forwarded = false;
    for (std::size_t left = children.size(); left > 0;) {
        QkPollChildren(children, 200);
        if (clCliInterrupt::Asked() && !forwarded) {
            // Each programmer stops as it would on its own Ctrl-C.
            for (auto& child : children)
                child->Interrupt();
            forwarded = true;
        }
        for (std::size_t i = 0; i < children.size(); ++i) {
            if (reported[i] || !children[i]->HasEnded())
                continue;
            reported[i] = true;
            --left;
            const clCliChild& child = *children[i];
            worst = std::max(worst, child.ExitStatus());
            ok += child.ExitStatus() == exitOk;
            if (json) {
                const std::string line = FirstLine(child.Out());
                std::printf("%s\n", !line.empty() && line[0] == '{'
                                        ? line.c_str()
                                        : ("{\"port\":\"" + running[i] + "\",\"result\":\"error\",\"exit_status\":" +
                                           std::to_string(child.ExitStatus()) + "}")
                                              .c_str());
            } else if (!quiet || child.ExitStatus() != exitOk) {
                std::printf("%s\n", PortLine(running[i], child).c_str());
            }
            std::fflush(stdout);
            if (!json && !child.Err().empty())
                std::fprintf(stderr, "%s: %s", running[i].c_str(), child.Err().c_str());
        }
    }
    if (!json && !quiet)
        std::printf("%s on %zu ports: %d ok, %zu not; exit status %d\n", command, ports.size(), ok,
                    ports.size() - static_cast<std::size_t>(ok), worst);
    return worst;
}
