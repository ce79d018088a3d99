// Program entry; the run driver is built here.
#include "records/run_end.h"

int main() { records::run_program([] {}); }
