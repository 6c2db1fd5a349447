// A program of the stores alone: the test reads which shared libraries it needs.
int main() { return 0; }
