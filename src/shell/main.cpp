#include "shell/shell.h"

int main(int argc, char** argv)
{
    return tailgate_main(argc, argv);
}
