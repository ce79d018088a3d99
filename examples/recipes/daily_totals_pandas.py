# Daily totals of a csv export with pandas: a time that ends in the clock's offset
# ("2001-01-01 00:15-05:00") is read as that instant, and its date is the gauges' own.
import pandas

site = pandas.read_csv("site.csv", parse_dates=["start", "end"])
days = site.groupby(site["start"].dt.date)["rainfall_mm"].sum()
print(days.to_string())
