#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "host/services/terminal_progress.h"

using brumo::host::TerminalProgress;

namespace {

std::string contents(FILE* file) {
    std::rewind(file);
    std::string text;
    char buffer[256];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
    return text;
}

}  // namespace

TEST(TerminalProgress, DrawsABarOnATerminalAndStaysQuietWhenPiped) {
    FILE* terminal = std::tmpfile();
    TerminalProgress drawn(terminal, /*force=*/true);
    drawn.progressStarted(1, "Computing shadows", 100.0);
    drawn.progressAdvanced(1, 50.0, 100.0);
    drawn.progressAdvanced(1, 50.2, 100.0);  // same percentage: no redraw
    drawn.progressAdvanced(1, 150.0, 100.0);  // overshoot is shown as complete
    drawn.progressEnded(1);
    const std::string text = contents(terminal);
    EXPECT_NE(text.find("Computing shadows [                              ]   0%"), std::string::npos) << text;
    EXPECT_NE(text.find("[###############               ]  50%"), std::string::npos) << text;
    EXPECT_NE(text.find("[##############################] 100%"), std::string::npos) << text;
    EXPECT_EQ(text.find(" 50%"), text.rfind(" 50%"));
    EXPECT_EQ(text.substr(text.size() - 4), "\r\033[K");  // the line is cleared at the end
    std::fclose(terminal);

    FILE* piped = std::tmpfile();  // a regular file is not a terminal
    TerminalProgress quiet(piped);
    quiet.progressStarted(1, "Computing shadows", 100.0);
    quiet.progressAdvanced(1, 50.0, 100.0);
    quiet.progressEnded(1);
    EXPECT_EQ(contents(piped), "");
    std::fclose(piped);
}

TEST(TerminalProgress, ShowsTheTimeOnATerminalAndWritesPlainLinesElsewhere) {
    FILE* terminal = std::tmpfile();
    TerminalProgress drawn(terminal, /*force=*/true);
    drawn.progressStarted(1, "Rendering", 4.0);
    drawn.progressAdvanced(1, 1.0, 4.0);
    drawn.progressEnded(1);
    const std::string bar = contents(terminal);
    EXPECT_NE(bar.find(" 25% 0:00, about 0:00 left"), std::string::npos) << bar;
    std::fclose(terminal);

    // A log gets whole lines, and no more often than asked: here every change, since 0 s apart.
    FILE* log = std::tmpfile();
    TerminalProgress lines(log, /*force=*/false, /*lineSeconds=*/0.0);
    lines.progressStarted(1, "Rendering", 4.0);
    lines.progressAdvanced(1, 2.0, 4.0);
    lines.progressAdvanced(1, 4.0, 4.0);
    lines.progressEnded(1);
    EXPECT_EQ(contents(log), "Rendering: 50% after 0:00, about 0:00 left\nRendering: 100% after 0:00\n");
    std::fclose(log);
}
