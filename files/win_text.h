#pragma once
// UTF-8, the programs' own encoding, to and from the UTF-16 of Windows' wide-character calls.
#include <string>
#include <vector>

namespace velmar {

std::wstring widePath(const std::string& utf8);
std::string utf8Text(const std::wstring& wide);
// The system's own sentence for a GetLastError() code, in UTF-8, without the final line break.
std::string systemMessage(unsigned long error);
// An environment variable's value in UTF-8 ("" when it is not set): getenv() gives it in the
// ANSI code page, in which a Japanese folder name is not the folder's own.
std::string environmentVariable(const char* name);
// The program's arguments in UTF-8, from the command line as typed; argv's own (in the ANSI
// code page) when the two do not agree on their number.
std::vector<std::string> utf8Arguments(int argc, char** argv);

}  // namespace velmar
