#include "command_line.h"

#include <CLI/CLI.hpp>

#include "files.h"

namespace kit {

CommandLine::CommandLine(const std::string& description, const std::string& name)
    : app_(std::make_unique<CLI::App>(description, name)) {}

CommandLine::~CommandLine() = default;

void CommandLine::AddOption(const std::string& name, std::string& into, const std::string& help,
                            const std::string& value_name) {
  CLI::Option* option = app_->add_option(name, into, help);
  if (!value_name.empty()) option->option_text(value_name);
}

void CommandLine::AddFlag(const std::string& name, bool& into, const std::string& help) {
  app_->add_flag(name, into, help);
}

void CommandLine::SetFooter(const std::string& footer) {
  app_->footer(footer);
}

CommandLine::Outcome CommandLine::Parse(const std::vector<std::string>& arguments,
                                        std::string& text) {
  std::vector<std::string> copy = arguments;
  std::vector<char*> argv;
  for (std::string& argument : copy) argv.push_back(argument.data());
  argv.push_back(nullptr);
  try {
    app_->parse(static_cast<int>(copy.size()), argv.data());
  } catch (const CLI::CallForHelp&) {
    text = app_->help();
    return Outcome::kHelp;
  } catch (const CLI::ParseError& error) {
    text = error.what();
    return Outcome::kError;
  }
  return Outcome::kRun;
}

std::vector<std::string> Arguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

#if defined(_WIN32)
std::vector<std::string> Arguments(int argc, wchar_t** argv) {
  std::vector<std::string> arguments;
  for (int i = 0; i < argc; ++i) {
    arguments.push_back(Utf8(std::filesystem::path(argv[i])));
    if (i > 0 && arguments.back() == "/?") arguments.back() = "--help";
  }
  return arguments;
}
#endif

}  // namespace kit
