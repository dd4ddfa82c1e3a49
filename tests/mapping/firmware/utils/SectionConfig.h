#pragma once

// On the device these place the tables in flash; on the host they place nothing.
#define TEXT_LOCATION_FLASH_PRAGMA
#define TEXT_LOCATION_FLASH_ATTRIBUTE
