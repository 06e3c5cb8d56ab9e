#include "app/application.h"

int main() { RunApplication(); }
