// telvane-faximg: information on fax image files, conversion of text and
// images into them, export of pages and whole faxes, printing to PDF.
//
//   telvane-faximg info FILE.apf
//   telvane-faximg convert INPUT OUT.apf [--type text|textex|tiff|pcx|dcx|bmp] [--fine] [--wide] [--options ...]
//   telvane-faximg export FILE.apf --page N OUT.bmp|OUT.pcx|OUT.dcx
//   telvane-faximg export FILE.apf OUT.tif|OUT.pdf
//   telvane-faximg print FILE.apf OUT.pdf [--pages FIRST-LAST] [--four-up] [--landscape] [--true-size] ...

#include <iostream>
#include <string>
#include <vector>

#include "tools/faximg/faximg_commands.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return telvane::faximg::Run(args, std::cout, std::cerr);
}
