// Placeholder until the window exists.
int main() { return 0; }
