#pragma once

#include <string>

// The small product web page served at "/", where the window's banner leads.
std::string ProductPageHtml();
