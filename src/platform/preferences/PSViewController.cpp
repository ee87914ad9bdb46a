#include "preferences/PSViewController.h"

// Defined here so that the class's type information lives in this framework.
PSViewController::~PSViewController() = default;
