# Daily totals in R, on the gauges' own days: from the netCDF file with ncdf4 (its times in UTC when
# it states its clock, time:raingen_utc_offset), and from the csv export (the first ten characters
# of a start are its date on the gauges' clock).
library(ncdf4)
nc <- nc_open("site.nc")
since <- sub("minutes since ", "", ncatt_get(nc, "time", "units")$value)
time <- as.POSIXct(since, tz = "UTC") + 60 * ncvar_get(nc, "time")
clock <- ncatt_get(nc, "time", "raingen_utc_offset")
if (clock$hasatt) {
  sign <- ifelse(substr(clock$value, 1, 1) == "-", -1, 1)
  time <- time + sign * 60 * (60 * as.numeric(substr(clock$value, 2, 3)) + as.numeric(substr(clock$value, 5, 6)))
}
days <- tapply(ncvar_get(nc, "rainfall"), format(time, "%Y-%m-%d"), sum)
cat(sprintf("%s %.3f\n", names(days), days), sep = "")
site <- read.csv("site.csv")
days <- tapply(site$rainfall_mm, substr(site$start, 1, 10), sum)
cat(sprintf("%s %.3f\n", names(days), days), sep = "")
