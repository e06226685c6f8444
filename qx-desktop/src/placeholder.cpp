// Keeps the program library non-empty until it has modules of its own.
