#include "applist/ApplistVariables.h"

std::shared_ptr<NSMutableDictionary> dict;
bool isFiltering = false;
std::vector<std::size_t> filteredArray;
