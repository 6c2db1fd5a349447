# Fails when the program made of the stores alone needs a Qt library other than Core and
# Sql: a store that reaches for a widget, the GUI or printing, itself or through a library
# it links. Run as: cmake -DPROGRAM=<store_links> -P CheckStoreLinks.cmake
cmake_minimum_required(VERSION 3.22)
execute_process(COMMAND ldd "${PROGRAM}" OUTPUT_VARIABLE needed ERROR_VARIABLE error RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "ldd cannot read ${PROGRAM}: ${error}")
endif()
string(REGEX MATCHALL "libQt6[A-Za-z]+" qt "${needed}")
list(REMOVE_DUPLICATES qt)
# Without Qt Sql the program is not made of the stores, and the check would prove nothing.
if(NOT "libQt6Sql" IN_LIST qt)
  message(FATAL_ERROR "${PROGRAM} does not link Qt Sql; is it built of the stores?\n${needed}")
endif()
list(REMOVE_ITEM qt libQt6Core libQt6Sql)
if(qt)
  message(FATAL_ERROR "The stores link ${qt}; they may link Qt Core and Qt Sql only.\n${needed}")
endif()
