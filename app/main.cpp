#include "app/Project.h"

int main() { return app::RunProgram(); }
