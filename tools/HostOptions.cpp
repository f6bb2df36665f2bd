#include "tools/HostOptions.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>

namespace OrnicHost {

namespace {

// Whole-text decimal only: "5x" or "" must not quietly become a number.
bool ParseInt(const std::string& text, int low, int high, int& value)
{
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const long parsed = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || end == nullptr || *end != '\0' || parsed < low || parsed > high) return false;
    value = static_cast<int>(parsed);
    return true;
}

}  // namespace

bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& error)
{
    std::vector<std::string> commands;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        std::string value;
        bool inlineValue = false;
        if (arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
            const size_t eq = arg.find('=');
            if (eq != std::string::npos) {
                value = arg.substr(eq + 1);
                arg.resize(eq);
                inlineValue = true;
            }
        }
        // Takes the option's value from "--name=value" or from the next argument.
        auto next = [&](std::string& out) {
            if (inlineValue) {
                out = value;
                return true;
            }
            if (i + 1 >= args.size()) {
                error = arg + " needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        auto number = [&](int low, int high, int& out) {
            std::string text;
            if (!next(text)) return false;
            if (!ParseInt(text, low, high, out)) {
                error = arg + " takes a whole number from " + std::to_string(low) + " to " + std::to_string(high) +
                        ", not '" + text + "'";
                return false;
            }
            return true;
        };
        auto flag = [&]() {
            if (!inlineValue) return true;
            error = arg + " takes no value";
            return false;
        };

        if (arg == "-h" || arg == "--help") {
            options.help = true;
        } else if (arg == "--quiet") {
            if (!flag()) return false;
            options.quiet = true;
        } else if (arg == "--driver") {
            if (!next(options.driverFile)) return false;
        } else if (arg == "--system-path") {
            if (!next(options.systemPath)) return false;
        } else if (arg == "--camera") {
            std::string name;
            if (!next(name)) return false;
            options.cameras.push_back(name);
        } else if (arg == "--port") {
            if (!number(0, 999, options.firstPort)) return false;
        } else if (arg == "--frames") {
            if (!number(1, 1000000, options.frames)) return false;
        } else if (arg == "--timeout-ms") {
            if (!number(1, 3600000, options.timeoutMs)) return false;
        } else if (arg == "--out") {
            if (!next(options.outDir)) return false;
        } else if (arg == "--format") {
            std::string text;
            if (!next(text)) return false;
            if (!ParseImageFormat(text, options.format)) {
                error = "--format takes png or bmp, not '" + text + "'";
                return false;
            }
        } else if (arg == "--log-level") {
            if (!number(0, 3, options.logLevel)) return false;
        } else if (arg == "--log-file") {
            if (!next(options.logFile)) return false;
        } else if (arg == "--set") {
            std::string setting;
            if (!next(setting)) return false;
            const size_t eq = setting.find('=');
            if (eq == 0 || eq == std::string::npos) {
                error = "--set takes NAME=VALUE, not '" + setting + "'";
                return false;
            }
            options.settings.emplace_back(setting.substr(0, eq), setting.substr(eq + 1));
        } else if (arg == "--continuous") {
            if (!flag()) return false;
            options.continuous = true;
        } else if (arg.size() > 1 && arg[0] == '-' && (arg[1] < '0' || arg[1] > '9')) {
            error = "unknown option " + arg;
            return false;
        } else {
            commands.push_back(arg);  // a negative number too: set OffsetX -5
        }
    }
    if (!commands.empty()) {
        options.command = commands[0];
        options.arguments.assign(commands.begin() + 1, commands.end());
    }
    // Each command with the number of words it takes after it.
    struct Shape {
        const char* name;
        size_t least;
        size_t most;
        const char* words;
    };
    const Shape shapes[] = {{"list", 0, 0, ""},
                            {"configure", 0, 0, ""},
                            {"grab", 0, 0, ""},
                            {"get", 1, 1, " NAME"},
                            {"range", 1, 1, " NAME"},
                            {"set", 2, 2, " NAME VALUE"},
                            {"cmd", 1, 2, " COMMAND [PARAMETER]"}};
    const Shape* shape = nullptr;
    for (const Shape& candidate : shapes) {
        if (options.command == candidate.name) shape = &candidate;
    }
    if (shape == nullptr) {
        error = "unknown command " + options.command;
        return false;
    }
    if (options.arguments.size() < shape->least || options.arguments.size() > shape->most) {
        error = shape->most == 0 ? "one command at a time" : "usage: " + options.command + shape->words;
        return false;
    }
    if (options.command == "set" && !ParseInt(options.arguments[1], INT32_MIN, INT32_MAX, options.setValue)) {
        error = "set takes a whole number (for text use: cmd set NAME=TEXT), not '" + options.arguments[1] + "'";
        return false;
    }
    if ((!options.settings.empty() || options.continuous) && options.command != "grab") {
        error = "--set and --continuous go with grab";
        return false;
    }
    if (options.outDir.empty()) {
        error = "--out needs a directory";
        return false;
    }
    for (const std::string& name : options.cameras) {
        if (name.empty()) {
            error = "--camera needs a configuration name";
            return false;
        }
    }
    return true;
}

const char* UsageText()
{
    return "usage: ornic-host [options] [list | grab | configure | get NAME | set NAME VALUE | range NAME |\n"
           "                                 cmd COMMAND [PARAMETER]]\n"
           "  list                start the driver, list the cameras it found, stop it (the default)\n"
           "  grab                open each camera on a port, grab frames one at a time, save them\n"
           "  configure           open the camera (--camera NAME, else the first) on --port and show\n"
           "                      its configuration dialog; exit status 0 when confirmed with OK\n"
           "  get NAME            open the camera (--camera, else the first) on --port, print the\n"
           "                      property as an integer (getProperty)\n"
           "  set NAME VALUE      write an integer property (setProperty)\n"
           "  range NAME          print the property's bounds (getPropertyRange)\n"
           "  cmd COMMAND [PARAMETER]\n"
           "                      a text command (execCmd), e.g. cmd get ExposureTime,\n"
           "                      cmd set TriggerMode=On, cmd save line2.ini; prints the reply\n"
           "options:\n"
           "  --driver FILE       the driver library to load (default: the one built with the host)\n"
           "  --system-path DIR   the driver's system path, where it keeps ornic.ini\n"
           "                      (default: a new temporary directory, removed at the end)\n"
           "  --log-level 0..3    written as logDebugView into ornic.ini before initialize\n"
           "  --log-file PATH     append the driver's log lines to PATH instead of stderr\n"
           "  --quiet             do not echo the lines the driver hands to the host\n"
           "grab options:\n"
           "  --camera NAME       only this configuration name (repeatable)\n"
           "  --port N            first port number (default 0); the next camera takes N+1, ...\n"
           "  --frames N          frames per camera (default 5)\n"
           "  --timeout-ms MS     wait for each frame at most this long (default 5000)\n"
           "  --out DIR           where the frames go (default ./ornic-frames)\n"
           "  --format png|bmp    image files (default png when built with libpng, else bmp)\n"
           "  --set NAME=VALUE    written after the open, before grabbing (repeatable; execCmd set)\n"
           "  --continuous        continuous mode: the camera's frames flow without requests\n"
           "Exit status: 0 success, 1 a camera failed to open or delivered fewer frames or the\n"
           "property call failed, 2 usage.\n";
}

}  // namespace OrnicHost
