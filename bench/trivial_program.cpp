// The floor of a run's fixed cost: a program that starts, writes a line and ends, linked as the
// program raingen is, started the same way.
#include <cstdio>

int main() { return std::puts("") < 0; }
