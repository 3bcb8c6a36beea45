// Placeholder until the command-line program lands.
int main() { return 0; }
