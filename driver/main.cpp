#include "driver/run.hpp"

int main() { return driver::run_program(); }
