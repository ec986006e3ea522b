# The aggregate-node module: the top nodes of mapped models, keyed by GetQELNode's second
# argument. Linked by the plug-in (FindTopNode, GetTopAggNode).
add_library(QELCOM SHARED ${CMAKE_CURRENT_LIST_DIR}/agg_node.cpp)
target_include_directories(QELCOM PUBLIC ${PROJECT_SOURCE_DIR}/fintop PRIVATE ${CMAKE_CURRENT_LIST_DIR}/..)
target_compile_definitions(QELCOM PRIVATE QELCOM_BUILD)
target_link_libraries(QELCOM PRIVATE FIIterator)
