#include "cli/Cli.h"

int main(int argc, char** argv)
{
    return kor::cli::runCli(std::vector<std::string>(argv + 1, argv + argc), stdout, stderr);
}
