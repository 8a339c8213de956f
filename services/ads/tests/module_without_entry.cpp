// A module that loads but exports no "Initialize": the advertising panel
// must log it and call nothing.
extern "C" int Initialise(unsigned window) { return static_cast<int>(window); }
