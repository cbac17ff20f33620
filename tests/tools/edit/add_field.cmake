# Copies the schema IN to OUT with one line added at the end of the type
# TYPE: the edit a user makes to add an attribute.
cmake_minimum_required(VERSION 3.25)
file(READ ${IN} text)
string(FIND "${text}" "\n${TYPE} " start)
if(start EQUAL -1)
  message(FATAL_ERROR "no ${TYPE} in ${IN}")
endif()
string(SUBSTRING "${text}" ${start} -1 rest)
string(FIND "${rest}" "\nend" length)
math(EXPR cut "${start} + ${length}")
string(SUBSTRING "${text}" 0 ${cut} head)
string(SUBSTRING "${text}" ${cut} -1 tail)
file(WRITE ${OUT} "${head}\n${LINE}${tail}")
