#include "app/Resident.h"

int runResident(int argc, char** argv)
{
    return panedeck_resident_main(argc, argv);
}
