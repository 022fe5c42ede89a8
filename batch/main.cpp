#include "batch_command.h"

int main(int argc, char** argv)
{
    return quillmar::batch::runBatchCommand(argc, argv);
}
