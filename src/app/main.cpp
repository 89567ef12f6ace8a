// The host: no command line; the main script is "init.lua" through the file
// systems, or the project a script selects.
#include "app/Application.h"

int main() {
    Application app;
    app.run();
    return 0;
}
