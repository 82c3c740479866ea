# cmake -D FROM=file -D TO=file -P PlaceIfAbsent.cmake
# Copies FROM to TO only when there is nothing at TO yet: what was saved there since stays.
cmake_policy(VERSION 3.22)
if(NOT EXISTS "${TO}" AND NOT IS_SYMLINK "${TO}")
    get_filename_component(folder "${TO}" DIRECTORY)
    file(MAKE_DIRECTORY "${folder}")
    file(COPY_FILE "${FROM}" "${TO}")
endif()
