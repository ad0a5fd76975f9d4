#include "win/print_support.h"

#include <sstream>

#include "win/host_bridge.h"
#include "win/test_support.h"

using host_bridge::RunShell;
using host_bridge::ShellPath;
using host_bridge::TempPath;

namespace print_support {

namespace {

// Sets f to the PDF of the job titled `title`: the printer names it after
// the title, a mangled part Wine may add to it, and the job's number.
std::string FindPdf(const std::string& title) {
  return "f=$(ls \"$(getent passwd \"$(id -un)\" | cut -d: -f6)\"/PDF/" + title +
         "[_-]*job_*.pdf 2>/dev/null | head -1)\n";
}

}  // namespace

PrintedJob TakePrintedJob(const std::string& title, const std::string& png) {
  const std::string page = TempPath("plenkit-page");
  const auto firstPage = [](const std::string& format, const std::string& to) {
    return "pdftoppm -r 100 " + format + " -singlefile -f 1 -l 1 \"$f\" " + ShellPath(to) + "\n";
  };
  // Done once the scheduler has no job left.
  std::string script = "for i in $(seq 300); do\n" + FindPdf(title) +
                       "  [ -n \"$f\" ] && [ -z \"$(lpstat -o 2>/dev/null)\" ] && break\n"
                       "  f=; sleep 0.1\n"
                       "done\n"
                       "[ -n \"$f\" ] || exit\n"
                       "LC_ALL=C pdfinfo \"$f\" | sed -n 's/^Pages: *//p'\n" +
                       firstPage("-gray", page);
  if (!png.empty()) {
    const std::string folder = testing_support::ProgramFolder() + "..\\screenshots\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    script += firstPage("-png", folder + png);
  }
  PrintedJob job;
  job.pages = std::atoi(RunShell(script + "rm -f \"$f\"").c_str());
  // "P5", width, height, 255, one blank, then the pixels.
  std::istringstream pgm(testing_support::ReadBytes(page + ".pgm"));
  std::string magic;
  int maximum = 0;
  if (pgm >> magic >> job.width >> job.height >> maximum && pgm.get()) {
    job.gray.assign(std::istreambuf_iterator<char>(pgm), {});
    job.gray.resize(static_cast<std::size_t>(job.width) * job.height);
  }
  DeleteFileA((page + ".pgm").c_str());
  return job;
}

bool PrintedJobExists(const std::string& title) {
  return RunShell(FindPdf(title) + "[ -n \"$f\" ] && echo yes") == "yes\n";
}

}  // namespace print_support
