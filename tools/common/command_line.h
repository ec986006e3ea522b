// A tool's command line, read with CLI11. Only command_line.cpp includes CLI11, one of the
// heaviest headers to compile: fintop-walk and fintop-doctor share that one file instead of
// compiling it once each in every build.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace kit {

class CommandLine {
 public:
  // `description` heads the help; `name` is the program's name in it (the one it was started
  // by when empty).
  explicit CommandLine(const std::string& description, const std::string& name = "");
  ~CommandLine();
  CommandLine(const CommandLine&) = delete;
  CommandLine& operator=(const CommandLine&) = delete;

  // An argument read into `into`: positional when `name` has no leading "-" (as "CASE"), else
  // an option taking a value ("--map FILE"). `value_name` names the value in the help.
  void AddOption(const std::string& name, std::string& into, const std::string& help,
                 const std::string& value_name = "");
  // An option without a value: `into` becomes true when it is given.
  void AddFlag(const std::string& name, bool& into, const std::string& help);
  // Text after the options in the help.
  void SetFooter(const std::string& footer);

  // What reading the command line found.
  enum class Outcome {
    kRun,   // the arguments are read into their variables
    kHelp,  // --help was asked for: `text` is the help, for stdout and exit status 0
    kError  // `text` says what is wrong with the command line (it may hold line ends)
  };
  // `arguments` as Arguments gives them (the program's name first).
  Outcome Parse(const std::vector<std::string>& arguments, std::string& text);

 private:
  std::unique_ptr<CLI::App> app_;
};

// The program's arguments as UTF-8 text (files.h): on Windows those of wmain (a program linked
// with -municode), UTF-16, so that a file name outside the code page arrives whole; "/?" there
// is "--help".
std::vector<std::string> Arguments(int argc, char** argv);
#if defined(_WIN32)
std::vector<std::string> Arguments(int argc, wchar_t** argv);
#endif

}  // namespace kit

// The program's entry point: `run` (int(const std::vector<std::string>&)) called with the
// arguments as Arguments gives them; wmain on Windows, where the program is linked with
// -municode.
#if defined(_WIN32)
#define KIT_MAIN(run)                       \
  int wmain(int argc, wchar_t** argv);      \
  int wmain(int argc, wchar_t** argv) {     \
    return run(kit::Arguments(argc, argv)); \
  }
#else
#define KIT_MAIN(run)                       \
  int main(int argc, char** argv) {         \
    return run(kit::Arguments(argc, argv)); \
  }
#endif
