// A program that carries a window description as its RCDATA resource
// "FORM1", the way the real program does; formdump --from-exe reads it.
int main() { return 0; }
