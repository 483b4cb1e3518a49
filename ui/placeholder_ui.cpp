// Placeholder until this library has code.
