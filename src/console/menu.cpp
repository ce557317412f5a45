#include "console/menu.h"

#include <cerrno>
#include <cstdio>

void show_main_menu()
{
    // An error line printed after the menu must still name the error that
    // the failed file operation left, whatever printing did.
    int error_number = errno;
    std::printf("\n\n\n\n");
    std::printf("                        Talbrecken's quick and dirty\n");
    std::printf("                             Might and Magic VII\n");
    std::printf("                          skill availability editor\n\n");
    std::printf("(E)  Extract skill table from MM7.EXE\n\n");
    std::printf("(L)  Load skill table from a skill block file\n\n");
    std::printf("(V)  View skill table\n\n");
    std::printf("(C)  Change skill table\n\n");
    std::printf("(I)  Insert skill table into MM7.EXE\n\n");
    std::printf("(S)  Save skill table to a skill block file\n\n");
    std::printf("(Q)  Quit\n\n\n\n");
    errno = error_number;
}
