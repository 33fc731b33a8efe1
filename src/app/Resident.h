#pragma once

// The resident application: the event loop with the panel and its triggers. It lives apart from the
// sub-commands so that a one-shot command never loads the window toolkit.
int runResident(int argc, char** argv);

extern "C" int panedeck_resident_main(int argc, char** argv);
