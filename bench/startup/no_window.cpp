// The memory reference for programs without a window: a console program that does nothing, as
// the floor program is one.
int main() { return 0; }
