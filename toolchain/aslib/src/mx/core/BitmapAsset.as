package mx.core
{
	import flash.display.Bitmap;
	import flash.display.BitmapData;

	/**
	 * Base of the classes the compiler makes for [Embed] images (PNG, JPEG,
	 * GIF). `new Picture()` gives a Bitmap showing the embedded image.
	 */
	public class BitmapAsset extends Bitmap implements IFlexAsset
	{
		public function BitmapAsset(bitmapData:BitmapData = null, pixelSnapping:String = "auto",
				smoothing:Boolean = false)
		{
			// The player fills in the embedded image when the class is linked
			// to one; pass on only what the caller gave.
			super(bitmapData, pixelSnapping, smoothing);
		}

		/** The image's own width, before any scaling. */
		public function get measuredWidth():Number
		{
			return bitmapData != null ? bitmapData.width : 0;
		}

		/** The image's own height, before any scaling. */
		public function get measuredHeight():Number
		{
			return bitmapData != null ? bitmapData.height : 0;
		}

		public function move(x:Number, y:Number):void
		{
			this.x = x;
			this.y = y;
		}

		public function setActualSize(newWidth:Number, newHeight:Number):void
		{
			width = newWidth;
			height = newHeight;
		}
	}
}
