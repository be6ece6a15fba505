#include "app/CommandLine.h"

#include <iostream>
#include <string>
#include <vector>

#ifdef KEST_GUI
#include "app/ui/KestApplication.h"
#endif

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv, argv + argc);
#ifdef KEST_GUI
    if (!kest::wantsCommandLine(args))
        return kest::runWindows(argc, argv);
#endif
    return kest::RunCommandLine(args, argv[0], std::cout, std::cerr);
}
