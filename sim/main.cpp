#include <iostream>

int main()
{
    std::cerr << "kest-sim: the registrar simulator is not built yet.\n";
    return 1;
}
