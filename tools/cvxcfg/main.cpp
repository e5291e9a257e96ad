// cvxcfg: reads and changes the Calvex configuration from the command line,
// through the exports of cvxutil.dll only.
#include "cli.h"

int main(int argc, char **argv)
{
    cvxcfg::CommandTable table;
    cvxcfg::AddPortCommands(table);
    cvxcfg::AddServerCommands(table);
    cvxcfg::AddGroupCommands(table);
    cvxcfg::AddServiceCommands(table);
    cvxcfg::AddClientCommands(table);
    cvxcfg::AddIpcCommands(table);
    cvxcfg::AddCheckCommand(table);
    return table.Run(argc, argv);
}
