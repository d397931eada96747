# cmake -DIN=<text> -DOUT=<copy> [-DVERSION=<version>] -P crlf.cmake: copies a text
# with Windows line ends, so that every editor on Windows shows its lines, and with
# @VERSION@ replaced by the program's version.
cmake_minimum_required(VERSION 3.20)
file(READ "${IN}" text)
if(DEFINED VERSION)
    string(REPLACE "@VERSION@" "${VERSION}" text "${text}")
endif()
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE "${OUT}" "${text}")
