# Placeholder: the asset program and the data file are being written.
set(TABRIVET_ASSET_DIR ${CMAKE_BINARY_DIR}/assets)
set(TABRIVET_DATA_FILE ${CMAKE_SOURCE_DIR}/data/tabrivet.dat)
add_custom_target(tabrivet_data)
