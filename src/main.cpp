#include "shell/Application.h"

int main(int argc, char** argv)
{
    return kor::runApplication(argc, argv);
}
