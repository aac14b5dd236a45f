# Windows platform tests: added below.
