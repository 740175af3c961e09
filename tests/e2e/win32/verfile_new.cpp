// A program that does nothing: the file exists for the version resource beside it.
int main() { return 0; }
