#pragma once
// Running the command-line tools from a test: their paths come from the build (the targets'
// files), their standard output and error are kept apart, and the exit status is returned.

#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "TestPaths.h"

namespace velquor_test {

inline const std::string SynthTool = VELQUOR_SYNTH_TOOL;
inline const std::string TraceTool = VELQUOR_TRACE_TOOL;
inline const std::string GainTool = VELQUOR_GAIN_TOOL;

struct ToolRun {
    int Status = -1;       // exit status; -1 when the tool did not exit normally
    std::string Out;
    std::string Err;
};

// Single-quoted for the shell.
inline std::string Quote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') quoted += "'\\''";
        else quoted += c;
    }
    return quoted + "'";
}

// Runs `tool` with `args` (already quoted where needed). `redirect` replaces the default
// capture of standard output (for example "> /dev/full"); standard error is always kept.
inline ToolRun RunTool(const std::string& tool, const std::string& args, const std::string& redirect = "")
{
    const std::string out = TempPath("tool.out");
    const std::string err = TempPath("tool.err");
    std::string command = Quote(tool);
    command.append(" ").append(args).append(" ");
    if (redirect.empty()) command.append(">").append(Quote(out));
    else command.append(redirect);
    command.append(" 2>").append(Quote(err));
    ToolRun run;
    const int raw = std::system(command.c_str());
    run.Status = raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.Out = ReadText(out);
    run.Err = ReadText(err);
    std::remove(out.c_str());
    std::remove(err.c_str());
    return run;
}

}  // namespace velquor_test
