# Shared by the Embed*.cmake scripts: sets out to the bytes of file as the
# initializer of a C array that ends in a zero byte ("0x23,0x76,...,0"), and
# size to the file's length without that zero.
function(embed_bytes file out size)
    file(READ ${file} bytes HEX)
    string(LENGTH "${bytes}" hexLength)
    math(EXPR count "${hexLength} / 2")
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${bytes}")
    set(${out} "${bytes}0" PARENT_SCOPE)
    set(${size} ${count} PARENT_SCOPE)
endfunction()
