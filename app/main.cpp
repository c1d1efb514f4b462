#include "app/program.h"

int main(int argc, char** argv) {
    DosarixApplication app(argc, argv);
    MainWindowHooks hooks;
    return runProgram(app, hooks);
}
