#pragma once

#include "support/test_pictures.h"

#include <string>
#include <vector>

#include <sys/types.h>

namespace pelmora::test {

struct Ran {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs a shell command line in folder, with "$CLI" naming pelmora-cli. The file-size
// limit, when given, is in 512-byte blocks; SIGXFSZ keeps its default action, so a program
// that does not ignore it dies of it.
Ran Shell(const ScratchFolder& folder, const std::string& line, int sizeLimitBlocks = 0);

// The command line run as an unprivileged user: through setpriv as nobody when the tests
// run as root, as it is otherwise; empty when root cannot become nobody here.
std::string Unprivileged(const std::string& line);

// The lines of text, without their line ends.
std::vector<std::string> Lines(const std::string& text);

// The lines a program in simavr sent over its UART that start with first: simavr shows
// them on standard error, coloured, each newline as a final '.'.
std::vector<std::string> UartLines(const std::string& err, char first = '@');

// A BDF font of two characters, A and B, in four by six dots.
inline constexpr const char* kTinyBdf =
    "STARTFONT 2.1\n"
    "FONT -pelmora-tiny-medium-r-normal--6-60-75-75-c-40-iso10646-1\n"
    "SIZE 6 75 75\nFONTBOUNDINGBOX 4 6 0 -1\n"
    "STARTPROPERTIES 2\nFONT_ASCENT 5\nFONT_DESCENT 1\nENDPROPERTIES\n"
    "CHARS 2\n"
    "STARTCHAR A\nENCODING 65\nSWIDTH 666 0\nDWIDTH 4 0\nBBX 4 6 0 -1\n"
    "BITMAP\n60\n90\nF0\n90\n90\n00\nENDCHAR\n"
    "STARTCHAR B\nENCODING 66\nSWIDTH 666 0\nDWIDTH 4 0\nBBX 4 6 0 -1\n"
    "BITMAP\nE0\n90\nE0\n90\nE0\n00\nENDCHAR\n"
    "ENDFONT\n";

// Starts pelmora-cli with arguments in folder, its standard streams on /dev/null and the
// signal dispositions of this process (SIGINT not ignored, as a shell's background job
// would have it); the child to signal and wait for.
pid_t StartCli(const ScratchFolder& folder, const std::vector<std::string>& arguments);

} // namespace pelmora::test
