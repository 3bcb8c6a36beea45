# The program's icon, drawn once as data/<id>.svg: rendered at build time to the PNG sizes of the
# hicolor theme and, for Windows, to one multi-size .ico.
#   ZW_ICON_SIZES, ZW_ICON_PNGS (one file per size, <size>.png), ZW_ICON_ICO (Windows only),
#   and the target zw_icon that makes them.
set(ZW_ICON_SVG ${CMAKE_SOURCE_DIR}/data/${ZW_APP_ID}.svg)
set(ZW_ICON_SIZES 16 24 32 48 64 128 256)
set(ZW_ICON_DIR ${CMAKE_BINARY_DIR}/icon)
file(MAKE_DIRECTORY ${ZW_ICON_DIR})

find_program(ZW_RSVG_CONVERT rsvg-convert)
if(NOT ZW_RSVG_CONVERT)
  message(FATAL_ERROR "rsvg-convert not found: apt-get install librsvg2-bin")
endif()

set(ZW_ICON_PNGS)
foreach(size ${ZW_ICON_SIZES})
  set(png ${ZW_ICON_DIR}/${size}.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${ZW_RSVG_CONVERT} --width ${size} --height ${size} --output ${png} ${ZW_ICON_SVG}
    DEPENDS ${ZW_ICON_SVG} VERBATIM)
  list(APPEND ZW_ICON_PNGS ${png})
endforeach()

if(WIN32)
  find_program(ZW_IMAGEMAGICK convert)
  if(NOT ZW_IMAGEMAGICK)
    message(FATAL_ERROR "convert not found: apt-get install imagemagick")
  endif()
  set(ZW_ICON_ICO ${ZW_ICON_DIR}/${ZW_APP_ID}.ico)
  add_custom_command(OUTPUT ${ZW_ICON_ICO}
    COMMAND ${ZW_IMAGEMAGICK} ${ZW_ICON_PNGS} ${ZW_ICON_ICO}
    DEPENDS ${ZW_ICON_PNGS} VERBATIM)
  add_custom_target(zw_icon DEPENDS ${ZW_ICON_ICO})
else()
  add_custom_target(zw_icon ALL DEPENDS ${ZW_ICON_PNGS})
endif()
