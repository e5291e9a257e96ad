# cvxutil package holding both builds (win32/ and win64/ below this file):
# picks the one of the consumer's pointer size.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  include("${CMAKE_CURRENT_LIST_DIR}/win64/lib/cmake/cvxutil/cvxutilConfig.cmake")
else()
  include("${CMAKE_CURRENT_LIST_DIR}/win32/lib/cmake/cvxutil/cvxutilConfig.cmake")
endif()
